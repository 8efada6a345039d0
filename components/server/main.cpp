#include "AcroObjects.h"
#include "GflAxObject.h"

#include <cstdio>
#include <cstring>
#include <string_view>

// One executable serves both components, so MuPDF and its fonts ship once. The program folder
// holds a link per component (components.ini names the links), and the name the server was
// started under says which classes it serves; each component still runs in a process of its
// own, so a crash in one never costs the other.
namespace {

struct Component {
    std::string_view link;
    ComponentClasses (*classes)();
};

constexpr Component kComponents[] = {
    {"pagekiln-gflax", gflaxClasses},
    {"pagekiln-acroexch", acroClasses},
};

std::string_view startedAs(const char* argv0) {
    if (argv0 == nullptr)
        return {};
    const char* slash = std::strrchr(argv0, '/');
    return slash != nullptr ? slash + 1 : argv0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string_view name = startedAs(argc > 0 ? argv[0] : nullptr);
    for (const Component& component : kComponents) {
        if (component.link == name)
            return runComponentServer(component.classes());
    }
    std::fprintf(stderr,
                 "%.*s: start this server through one of its links: pagekiln-gflax (imaging) "
                 "or pagekiln-acroexch (document export)\n",
                 int(name.size()), name.data());
    return 2;
}
