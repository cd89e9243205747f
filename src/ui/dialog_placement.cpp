#include "ui/dialog_placement.h"

OwnerSource ChooseOwnerSource(const RegistrationOptions& options, bool owner_window_alive) {
    if (options.owner_window != 0)
        return owner_window_alive ? OwnerSource::kWindow : OwnerSource::kNone;
    if (options.owner_class != nullptr && options.owner_title != nullptr)
        return OwnerSource::kFindWindow;
    return OwnerSource::kNone;
}

int CentredOrigin(int screen_extent, int window_extent) {
    return (screen_extent - window_extent) / 2;
}

int ChooseShowState(unsigned long startup_flags, unsigned short show_window) {
    return (startup_flags & kStartfUseShowWindow) != 0 ? show_window : kShowDefault;
}
