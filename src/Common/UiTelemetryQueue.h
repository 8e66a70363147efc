// Connects the windows' telemetry calls to the process-wide event queue.
// Start-up calls it once, before the main window is created.
#pragma once
namespace ui {
void ConnectUiEventsToQueue();
}
