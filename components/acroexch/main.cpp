#include "AcroObjects.h"

int main() {
    return runComponentServer(acroClasses());
}
