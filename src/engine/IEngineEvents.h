// The engine reports through the program's one event sink (log/Events.h).
#pragma once
#include "log/Events.h"

using IEngineEvents = IEvents;
inline IEngineEvents& engineEvents() { return events(); }
inline void setEngineEvents(IEngineEvents* sink) { setEvents(sink); }
