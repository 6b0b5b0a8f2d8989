#pragma once
// Loading the viewer's file. The file is read on a worker thread (TBackgroundLoad) while the view
// shows the lines read so far and grows with them, as it grows with tail, and the summary shows
// how far the load has come. The worker reaches the viewer only by posting LoadProgressMessage
// to its window; the window's thread then takes the published rows in batches whose work (rows,
// filter, colour rules, counters) is bounded in time, so that the host's messages never wait
// long. A new load, a reload and closing the viewer stop a running load at once, and the old
// log is freed off the host's thread.

#include "viewer/uSkerrinState.h"

// Starts loading FileName afresh, showing all of it as it comes: the first row is selected as
// soon as it is in, and with tail on the last once the load has ended. False when the load failed
// at once (the file is missing, locked or too large for this process, or memory ran out), which
// leaves an empty, usable view that says why. Tail runs or stops as the settings say once the
// load has ended.
bool LoadAndShow(TSkerrinState& S);
// Loads the file again because settings changed how it is read (its format): unlike a load the
// user asked for, the filter text and the context number stay, the noted place is put back as
// soon as its lines are in, and the focus does not move. False when the load failed at once.
bool ReloadKeepingPlace(TSkerrinState& S, const TViewPlace& Place);
// The window's answer to LoadProgressMessage and to the load's timer: takes what the load has
// published, and shows it, until the time allowed for one message is spent; the rest follows
// after the host's other messages have had their turn.
void TakeLoadedRows(TSkerrinState& S);
// True while the file is still being read.
bool LoadInProgress(const TSkerrinState& S);
