#include "base/Numeric.h"

#include <algorithm>
#include <cmath>

namespace Numeric {

int roundHalfEven(double value)
{
    if (!std::isfinite(value))
        return 0;
    const double clamped = std::clamp(value, -2147483648.0, 2147483647.0);
    return static_cast<int>(std::nearbyint(clamped)); // default FE_TONEAREST: halves to even
}

double val(const QString &text)
{
    int i = 0;
    const int n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    const int start = i;
    if (i < n && (text[i] == u'-' || text[i] == u'+'))
        ++i;
    bool digits = false;
    while (i < n && text[i].isDigit() && text[i].unicode() < 128) {
        ++i;
        digits = true;
    }
    if (i < n && text[i] == u'.') {
        ++i;
        while (i < n && text[i].isDigit() && text[i].unicode() < 128) {
            ++i;
            digits = true;
        }
    }
    if (!digits)
        return 0.0;
    bool ok = false;
    const double v = text.mid(start, i - start).toDouble(&ok);
    return ok ? v : 0.0;
}

int toInt16(double value)
{
    return std::clamp(roundHalfEven(value), -32768, 32767);
}

} // namespace Numeric
