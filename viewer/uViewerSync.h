#pragma once
// Viewers that follow each other by time. Among the viewers of the process's registry, those
// whose Sync box is on take part: a double-click on a row with a timestamp sends that time to
// the others, and each selects and centres its own row nearest to it.

#include <windows.h>

#include <cstdint>
#include <vector>

#include "viewer/uSkerrinState.h"

// What SyncMessage points to: it lives on the sender's stack while the message is sent.
struct TSyncPayload {
  double Time;
  bool TimeOnly;  // the time has no date part
};

// The Sync box: the viewer takes part or not.
void SetSyncEnabled(TSkerrinState& S, bool On);

// Every left-button press or double-click on a row, after the list handled it: the second
// press on the same row within the system's double-click time and distance publishes.
void NoteRowClick(TSkerrinState& S, int32_t Row, int X, int Y);
// Sends the current row's time to every other registered viewer, and waits until each has
// selected its row. Nothing when the row has no timestamp.
void PublishCurrentTime(TSkerrinState& S);
// Another viewer's time: select and centre the nearest visible row, without the focus and with
// Follow off.
void OnSyncMessage(TSkerrinState& S, const TSyncPayload& Payload);
// The visible row nearest in time, or -1 when no visible row has a timestamp.
int32_t NearestRowInTime(TSkerrinState& S, double Time, bool TimeOnly);
