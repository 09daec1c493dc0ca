#pragma once

// Shapes of the drawn controls in device pixels of the control's client area (x to the right,
// y downward), free of any graphics API.

// Right and bottom exclusive, as a GDI RECT.
struct DrawnRect {
    int left;
    int top;
    int right;
    int bottom;
};

// The bounding box of an ellipse or arc, in GDI+ world units.
struct DrawnBox {
    float x;
    float y;
    float width;
    float height;
};

struct DrawnLine {
    float x1;
    float y1;
    float x2;
    float y2;
};
