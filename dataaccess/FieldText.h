#pragma once

#include "FieldKinds.h"

#include <QLocale>
#include <QString>

// The texts a control shows for a field's value, and the width a grid column takes from a
// field, in the workstation's locale. A null value shows empty text (memos and blobs
// excepted, which name their kind).
namespace FieldText {

QString displayText(TFieldType kind, bool currency, const TFieldValue &value,
                    const QLocale &locale = QLocale::system());
int displayWidth(TFieldType kind, int size, int precision);

// A double in general format with the given significant digits: fixed notation while the
// value has at most that many digits before the point and is at least 0.00001, else an
// exponent ("1E20", "1,5E-6"); the locale's decimal point, no group separators.
QString generalFloat(double value, int digits, const QLocale &locale);

// The locale's short date format with a four-digit year.
QString shortDateFormat(const QLocale &locale);

} // namespace FieldText
