#pragma once
#include <QString>

#include "data/transaction.h"

// The failure texts the checks of OK and the weighing stores share, written
// once in weighingtexts.cpp.
namespace WeighingTexts {

QString notStarted();   // the IN store could not start
QString inStore();   // the IN store's insert, number fields or commit failed
QString tare();   // the tare completion of a single weighing failed
QString trailerTare();   // a single weighing with trailer: no tare completion
QString outStore();   // the OUT store failed
QString gone();   // the weighing weighed out was finalised or deleted meanwhile
QString unknownCrop();   // %1: the crop code the register does not hold
QString unknownWarehouse();   // %1: the warehouse code the register does not hold
QString purityRange();   // purity not a number from 0 to 100
QString moistureRange();   // moisture not a number from 0 to 100

// What the IN store (number `number` drawn) and the OUT store say after a
// lost COMMIT reply, by what the look found.
LostCommitMessages inLostCommit(const QString& number);
LostCommitMessages outLostCommit();

}   // namespace WeighingTexts
