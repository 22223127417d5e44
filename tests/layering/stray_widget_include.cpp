// Built against a QtCore layer's include scope only; this include must not be found.
#include <QWidget>

int strayWidgetInclude()
{
    return 0;
}
