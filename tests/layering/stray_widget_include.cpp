// Built in a QtCore layer's include scope with one STRAY_ macro set (the header's name as
// an identifier); the include it picks must not be found there.
#if defined(STRAY_QWidget)
#include <QWidget>
#elif defined(STRAY_QtWidgets_QWidget)
#include <QtWidgets/QWidget>
#elif defined(STRAY_QPainter)
#include <QPainter>
#elif defined(STRAY_QtGui_QPainter)
#include <QtGui/QPainter>
#else
#error "no stray include picked"
#endif

int strayWidgetInclude()
{
    return 0;
}
