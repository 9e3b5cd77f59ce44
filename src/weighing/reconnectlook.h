#pragma once
#include "data/query.h"
#include "data/transaction.h"

#include <QString>

class DataModule;

// The looks of the weighing stores after a lost COMMIT reply: what the
// server holds once the next statement has reconnected. Each answers
// Committed, NotCommitted or Unknown (the look itself failed, or the row
// has changed since in a way that tells neither).
namespace ReconnectLook {

// After a lost COMMIT reply of the IN store: the pending weighing with the
// number drawn and the values written (`row`, the INSERT's binds p1..p17) is
// there only if the store committed; the "M" row stayed locked until then,
// so no other weighing got that number while this one was open.
LostCommit inStored(DataModule& dm, const QString& number, const Query::Binds& row);

// After a lost COMMIT reply of the OUT store: the exit values of pending
// weighing `id` as written (the SET list's values by name) mean it committed;
// other values mean it did not; a weighing gone since (finalised or deleted
// at another workstation) leaves it unknown.
LostCommit outStored(DataModule& dm, qint64 id, const Query::Binds& written);

}   // namespace ReconnectLook
