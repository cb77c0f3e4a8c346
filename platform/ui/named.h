#pragma once

#include <QString>

namespace ui {

// The widget, given the object name the program and its tests know it by.
template <typename Widget> Widget *named(Widget *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace ui
