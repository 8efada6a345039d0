# The tests of reasons and passwords drive the real component servers.
foreach(target convert_tst_reasons convert_tst_passwords)
    if(TARGET ${target})
        add_dependencies(${target} pagekiln-gflax pagekiln-acroexch)
    endif()
endforeach()
