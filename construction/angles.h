// Angle helpers shared by polygon construction and rotation. Arguments are 32-bit floats;
// results are carried on in double precision by the caller.
#pragma once

namespace kivo {

// arccos(-1) rounded to a float: 3.1415927.
extern const float PI;

// A whole number as the float an angle step works with: a side count, a corner number or a
// slider position. All of them are far below 2^24, so the conversion is exact; the one name
// marks each place where a count enters the float arithmetic.
float ToFloat(int v);
double DegToRad(float degrees);
double RadToDeg(float radians);
double Atan2(float y, float x);

} // namespace kivo
