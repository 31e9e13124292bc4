// The form's controls keep their places in dialog units, whose size follows the font. The .ui
// file holds those places as pixels of the font the form was laid out in (DejaVu Sans 9 pt: the
// 52 letters A-Z a-z 385 px wide, lines 14 px high, 1.75 px per dialog unit). Shown in a larger
// font, every place and size grows by the ratio of letter width and of line height, so labels,
// buttons and fields keep room for their text; a smaller font keeps the laid-out pixels.
#pragma once

class QFont;
class QWidget;

namespace quarlink::form {

struct FontScale
{
    double x = 1.0;
    double y = 1.0;
};

// How much larger than the layout font `font` is, across and down; never less than 1.
FontScale fontScaleFor(const QFont& font);

// Moves and sizes the form and each of its direct children by `scale`. Edges are scaled, not
// sizes, so controls that touch or line up still do.
void scaleForm(QWidget& form, FontScale scale);

} // namespace quarlink::form
