#include "call_seam.h"

namespace kivo {

namespace {

CallSeam& Seam() {
    static CallSeam seam;
    return seam;
}

} // namespace

void SetCallSeam(CallSeam seam) {
    Seam() = std::move(seam);
}

int SeamError(const char* call) {
    return Seam() ? Seam()(call) : 0;
}

} // namespace kivo
