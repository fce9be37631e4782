// Angle helpers shared by polygon construction and rotation. Arguments are 32-bit floats;
// results are carried on in double precision by the caller.
#pragma once

namespace kivo {

// arccos(-1) rounded to a float: 3.1415927.
extern const float PI;

float ToFloat(float v);
double DegToRad(float degrees);
double RadToDeg(float radians);
double Atan2(float y, float x);

} // namespace kivo
