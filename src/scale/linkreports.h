#pragma once
#include <QtGlobal>

// Every report of the serial link and its worker: the numbered place it
// comes from, its level (0 error, 1 warning, 2 message; compared with
// ErrorNoise) and its text. The table in linkreports.cpp holds them all; a
// place number may stand for more than one report.
enum class LinkReport {
    // the link (owner's thread)
    CreateEvent,   // 1001
    StartDeactivating,   // 100
    DisableEvents,   // 101
    ClearQueues,   // 102
    ClosePort,   // 103
    ThreadRunning,   // 104
    StartReactivating,   // 110
    QueueSetup,   // 111
    ReopenPort,   // 112
    ActivateEventMask,   // 201
    SetRts,   // 501
    ClearRts,   // 502
    SetDtr,   // 601
    ClearDtr,   // 602
    SetBreak,   // 701
    ClearBreak,   // 702
    GetState,   // 801
    SetTimeouts,   // 802
    SetState,   // 802
    XonLimit,   // 100
    XoffLimit,   // 100
    RxQueueSize,   // 101
    TxQueueSize,   // 102
    // the worker
    ClearCommError,   // 9803
    ReadData,   // 9804
    ModemStatus,   // 9905
    OverlappedResult,   // 9913
    Count
};

struct LinkReportEntry {
    LinkReport id;
    quint32 place;
    quint8 noise;
    const char* text;
};

const LinkReportEntry& linkReport(LinkReport id);
