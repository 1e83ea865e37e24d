#pragma once
// MulDiv: number * numerator / denominator with a 64-bit product and the
// exact quotient rounded to the nearest integer, halves away from zero.
// Returns -1 when the denominator is 0 or the result does not fit in 32
// signed bits. Scaling formulas rely on the rounding, so never replace a
// call with a * b / c.

int MulDiv(int number, int numerator, int denominator);
