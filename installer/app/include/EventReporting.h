#pragma once

#include <map>
#include <string>

// The installer's usage reports, over one process-wide tracker. Every function
// is a no-op while analytics is disabled or before StartAnalytics.
using ReportExtra = std::map<std::wstring, std::wstring>;  // only "AB" is read

// Creates the tracker unless analytics is disabled. The environment variable
// MELVANE_ANALYTICS_URL, when set, names the collection endpoint (tests and
// demonstrations point it at a local collector).
void StartAnalytics();
void ReportTask(const std::wstring& name, float elapsed, const std::wstring& detail, ReportExtra extra);
void ReportClick(const std::wstring& name, ReportExtra extra);
void ReportView(const std::wstring& name, ReportExtra extra);
void ReportCrash();
// Releases the tracker, which makes the final post.
void StopAnalytics();
