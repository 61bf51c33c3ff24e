// Numbers as the windows round them and show them to the user.
#pragma once

#include <QString>
#include <cstdint>

// The nearest integer, ties to even (the processor's default rounding); values beyond the
// 32-bit range (a volume read from a file, a morphed amplitude) saturate instead of wrapping.
int32_t RoundEven(double x);
int32_t RoundEven(float x);

enum class TFloatFormat { ffNumber };

// ffNumber: the value rounded to Digits decimals, halves away from zero, with the user's
// decimal and thousands separators ("7,902.13"). Precision has no effect in this format.
QString FloatToStrF(double Value, TFloatFormat Format, int Precision, int Digits);

// Frequencies and percentages with two decimals, volumes with three.
QString F2(double v);
QString F3(double v);
