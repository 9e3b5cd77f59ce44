#include "alibientry.h"

QString AlibiEntry::sourceText(Source s)
{
    switch (s) {
    case Scale:
        return QStringLiteral("mérleg");
    case Typed:
        return QStringLiteral("kézi");
    case RegisterTare:
        return QStringLiteral("törzs tára");
    case Ticket:
        return QStringLiteral("mérlegjegy");
    }
    return QString();
}

QString AlibiEntry::weightText(double kg)
{
    QString t = QString::number(kg, 'f', 3);
    if (t == QLatin1String("-0.000"))
        t = QStringLiteral("0.000");
    return t;
}

QString AlibiEntry::escapeFrame(const QString& raw)
{
    QString out;
    out.reserve(raw.size());
    for (const QChar c : raw) {
        const ushort u = c.unicode();
        if (u == '\\')
            out += QLatin1String("\\\\");
        else if (u >= 0x20 && u < 0x7F)
            out += c;
        else if (u <= 0xFF)
            out += QLatin1String("\\x") + QString::number(u, 16).toUpper().rightJustified(2, QLatin1Char('0'));
        else
            out += QLatin1String("\\u") + QString::number(u, 16).toUpper().rightJustified(4, QLatin1Char('0'));
    }
    return out;
}

QByteArray AlibiEntry::computeChain(const QByteArray& previous) const
{
    AlibiChainHasher h;
    h.begin(previous);
    h.add(QByteArray::number(number));
    h.add(time.toUtf8());
    for (const QString* f : {&workstation, &source, &weight, &digits, &status, &port, &frame})
        h.add(f->toUtf8());
    return h.finish();
}
