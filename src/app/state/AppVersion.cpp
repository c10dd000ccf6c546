#include "app/state/AppVersion.h"

#include <QChar>

#include <algorithm>

#ifndef ZUV_APP_VERSION
#error "The build must define ZUV_APP_VERSION (the project version)"
#endif
#ifndef ZUV_BUILD_VERSION
#define ZUV_BUILD_VERSION "0"
#endif

namespace {

// The numeric characters at the start of the field, whole code points, as far as the first
// character that is not numeric in the Unicode sense.
QStringView leadingNumericRun(QStringView field)
{
    qsizetype end = 0;
    while (end < field.size()) {
        char32_t codePoint = field.at(end).unicode();
        qsizetype width = 1;
        if (field.at(end).isHighSurrogate() && end + 1 < field.size() &&
            field.at(end + 1).isLowSurrogate()) {
            codePoint = QChar::surrogateToUcs4(field.at(end), field.at(end + 1));
            width = 2;
        }
        if (!QChar::isNumber(codePoint))
            break;
        end += width;
    }
    return field.first(end);
}

} // namespace

QString AppVersion::currentMarketingVersion()
{
    const QString version = QStringLiteral(ZUV_APP_VERSION);
    return version.isEmpty() ? QStringLiteral("0.0.0") : version;
}

QString AppVersion::currentBuildVersion()
{
    const QString build = QStringLiteral(ZUV_BUILD_VERSION);
    return build.isEmpty() ? QStringLiteral("0") : build;
}

qint64 AppVersion::parseField(QStringView field)
{
    const QStringView run = leadingNumericRun(field);
    if (run.isEmpty())
        return 0;
    const bool asciiDigits =
        std::all_of(run.begin(), run.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (!asciiDigits)
        return 0;
    bool ok = false;
    const qint64 value = run.toLongLong(&ok, 10);
    return ok ? value : 0;
}

QList<qint64> AppVersion::parse(QStringView version)
{
    QList<qint64> parts;
    for (const QStringView field : version.tokenize(u'.', Qt::SkipEmptyParts))
        parts.append(parseField(field));
    return parts;
}

bool AppVersion::isLower(QStringView lhs, QStringView rhs)
{
    const QList<qint64> left = parse(lhs);
    const QList<qint64> right = parse(rhs);
    const qsizetype length = std::max(left.size(), right.size());
    for (qsizetype i = 0; i < length; ++i) {
        const qint64 a = i < left.size() ? left.at(i) : 0;
        const qint64 b = i < right.size() ? right.at(i) : 0;
        if (a != b)
            return a < b;
    }
    return false;
}
