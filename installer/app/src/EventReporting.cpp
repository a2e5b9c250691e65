#include "EventReporting.h"

// TODO(#5): the tracker slot. Until the tracker library exists the slot stays
// empty, and with an empty slot every report is dropped.
void StartAnalytics() {}
void ReportTask(const std::wstring&, float, const std::wstring&, ReportExtra) {}
void ReportClick(const std::wstring&, ReportExtra) {}
void ReportView(const std::wstring&, ReportExtra) {}
void ReportCrash() {}
void StopAnalytics() {}
