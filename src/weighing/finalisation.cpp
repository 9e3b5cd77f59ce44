#include "finalisation.h"

#include "context/appcontext.h"
#include "context/prompt.h"

#include <QtMath>

double Finalisation::weighedDifference(double in1, double in2, double out1, double out2)
{
    return qAbs((in1 + in2) - (out1 + out2));
}

QString Finalisation::movementText(const QString& movement)
{
    return movement == QLatin1String("B") ? QStringLiteral("BE") : QStringLiteral("KI");
}

Finalisation::Outcome Finalisation::run(const Input&)
{
    Outcome o;
    o.result = Outcome::Refused;
    o.focus = QStringLiteral("Edit35");
    return o;
}
