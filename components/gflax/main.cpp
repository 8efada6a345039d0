#include "GflAxObject.h"

int main() {
    return runComponentServer(gflaxClasses());
}
