#include "angles.h"

#include <cmath>

namespace kivo {

const float PI = float(std::acos(-1.0));

float ToFloat(int v) {
    return float(v);
}

double DegToRad(float degrees) {
    return (double(degrees) * double(PI)) / 180.0;
}

double RadToDeg(float radians) {
    return (double(radians) * 180.0) / double(PI);
}

double Atan2(float y, float x) {
    return std::atan2(double(y), double(x));
}

} // namespace kivo
