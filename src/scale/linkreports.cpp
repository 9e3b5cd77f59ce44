#include "linkreports.h"

namespace {

constexpr LinkReportEntry Table[] = {
        {LinkReport::CreateEvent, 1001, 0, "Error Creating Overlapped Event"},
        {LinkReport::StartDeactivating, 100, 2, "Msg start deactivating Port"},
        {LinkReport::DisableEvents, 101, 0, "Error disabling CommEvents"},
        {LinkReport::ClearQueues, 102, 0, "Error clearing Queues"},
        {LinkReport::ClosePort, 103, 0, "Error closing Port"},
        {LinkReport::ThreadRunning, 104, 1, "Warning ThreadIsRunning"},
        {LinkReport::StartReactivating, 110, 2, "Msg start reactivating Port"},
        {LinkReport::QueueSetup, 111, 0, "Error setup Queuesize"},
        {LinkReport::ReopenPort, 112, 0, "Error reopening Port"},
        {LinkReport::ActivateEventMask, 201, 0, "Error activating CommEventMask"},
        {LinkReport::SetRts, 501, 0, "Error setting RTS"},
        {LinkReport::ClearRts, 502, 0, "Error clearing RTS"},
        {LinkReport::SetDtr, 601, 0, "Error setting DTR"},
        {LinkReport::ClearDtr, 602, 0, "Error clearing DTR"},
        {LinkReport::SetBreak, 701, 0, "Error setting BREAK State"},
        {LinkReport::ClearBreak, 702, 0, "Error clearing BREAK State"},
        {LinkReport::GetState, 801, 0, "Error getting DCB from CommState"},
        {LinkReport::SetTimeouts, 802, 0, "Error setting CommTimeout"},
        {LinkReport::SetState, 802, 0, "Error setting CommState, 87 indicate that Parms are incorrect"},
        {LinkReport::XonLimit, 100, 1, "Warning XOnLimDef set to 100"},
        {LinkReport::XoffLimit, 100, 1, "Warning XOffLimDef set to 100"},
        {LinkReport::RxQueueSize, 101, 0, "Error can not set Quesize"},
        {LinkReport::TxQueueSize, 102, 0, "Error can not set Quesize"},
        {LinkReport::ClearCommError, 9803, 0, "Error ClearCommError"},
        {LinkReport::ReadData, 9804, 0, "Error reading Data"},
        {LinkReport::ModemStatus, 9905, 0, "Error getting ModemStatus"},
        {LinkReport::OverlappedResult, 9913, 0, "Error getting Overlappedresult"},
};

static_assert(sizeof(Table) / sizeof(Table[0]) == size_t(LinkReport::Count), "one entry per report");

constexpr bool inOrder()
{
    for (size_t i = 0; i < sizeof(Table) / sizeof(Table[0]); ++i)
        if (size_t(Table[i].id) != i)
            return false;
    return true;
}
static_assert(inOrder(), "the table follows the order of LinkReport");

}   // namespace

const LinkReportEntry& linkReport(LinkReport id)
{
    return Table[size_t(id)];
}
