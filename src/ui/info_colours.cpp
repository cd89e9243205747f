#include "ui/info_colours.h"

bool TakesWhiteBackground(ColourRequest request, bool from_info_box,
                          unsigned long high_contrast_flags) {
    if ((high_contrast_flags & kHighContrastOn) != 0) return false;
    return request == ColourRequest::kEdit || from_info_box;
}
