// Numbers as the form library shows them to the user.
#pragma once

#include <QString>

enum class TFloatFormat { ffNumber };

// ffNumber: the value rounded to Digits decimals, halves away from zero, with the user's
// decimal and thousands separators ("7,902.13"). Precision has no effect in this format.
QString FloatToStrF(double Value, TFloatFormat Format, int Precision, int Digits);
