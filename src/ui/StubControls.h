// Registers the stub's own controls with the layout builder: the layouts'
// ProgressEx, OptionEx and ControlEx elements. Safe to call more than once.
#pragma once
void RegisterStubControls();
