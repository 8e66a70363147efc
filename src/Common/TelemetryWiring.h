// Connects the reports of the download engine and of the windows to the one
// telemetry queue. Called once by the start-up before any window exists.
#pragma once

namespace TelemetryWiring {
void Connect();
}  // namespace TelemetryWiring
