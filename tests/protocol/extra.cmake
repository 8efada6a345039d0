# The client's tests drive the real servers, which need to be built first.
add_dependencies(protocol_tst_automation pagekiln-gflax pagekiln-acroexch)
