#include "ui/scale.h"

int scaled(int length, int dpi) {
    const long long product = static_cast<long long>(length) * dpi;
    const long long half = product < 0 ? -BASE_DPI / 2 : BASE_DPI / 2;
    // Division truncates toward zero, so adding half the divisor rounds halves away from it.
    return static_cast<int>((product + half) / BASE_DPI);
}

float scaledFraction(float length, int dpi) {
    return length * static_cast<float>(dpi) / BASE_DPI;
}

DrawnRect scaledRect(int x, int y, int width, int height, int dpi) {
    return {scaled(x, dpi), scaled(y, dpi), scaled(x + width, dpi), scaled(y + height, dpi)};
}
