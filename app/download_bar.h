#pragma once
// The download's progress bar on the wizard's window: striped purple over the
// trough, with the amount and speed written on it.
#include "online/downloader.h"
#include "platform/gfx/canvas.h"

// Draws the bar and its text in the dialog's progress rectangle, from its
// progress members; nothing while the percentage is 0. Leaves dc as found.
void DrawDownloadBar(const DownloadDialog& dialog, plat::Canvas& dc);
