#pragma once

// The settings store reports missing values ("READ_RegeditInfo") through a sink; the
// logger that started last receives them as L3_KEY failure records.

class CLog;

void InstallSettingsSink(CLog* log);
// Stops the reports reaching `log` (if it receives them); returns once no report is
// being written to it.
void RemoveSettingsSink(CLog* log);
