#pragma once
#include "scale/scaleread.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

struct AppContext;
class TSerialLink;

// The rest of a "Mérés" press that has just opened the indicator's link
// again: nothing can have arrived yet, so the press goes on with the first
// reading that arrives within ScaleRead::ReconnectWaitMs. The window is not
// held meanwhile: the link is looked at a few times a second from the event
// loop. Each piece that arrives is read as the press reads it; the first
// read that is not "no weight" (a weight, or a refusal with its message)
// ends the wait, and so does a link that closed again. When the time runs
// out the press ends with ReadResult::NoWeight.
class FirstReading : public QObject {
public:
    using Done = std::function<void(ScaleRead::ReadResult, const ScaleRead::Taken&)>;

    FirstReading(AppContext& ctx, TSerialLink& link, QObject* parent);

    // Starts the wait; a wait in progress is dropped without its `done`.
    void start(Done done);
    // Drops a wait in progress without its `done`.
    void cancel();
    bool waiting() const { return m_timer.isActive(); }

private:
    void look();
    void finish(ScaleRead::ReadResult result, const ScaleRead::Taken& taken);

    AppContext& m_ctx;
    TSerialLink& m_link;
    QTimer m_timer;
    QElapsedTimer m_since;
    Done m_done;
};
