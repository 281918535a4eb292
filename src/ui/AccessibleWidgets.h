#pragma once

// How the widgets that paint themselves present themselves to screen readers: a text label as
// static text (an announced one as a notification), a legend entry as static text, a capsule as
// static text that may carry a figure as its value, the usage bar as a bar with a percentage and a
// text value. Each of those widgets calls this when it is made; the factory is installed once.
void installAccessibleWidgets();
