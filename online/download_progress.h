#pragma once
// The download's progress: the dialog's handler of a progress snapshot, and
// the bar's "1234K of 2500K @ 401K/s" text.
#include <cstdint>
#include <memory>
#include <string>

#include "online/downloader.h"
#include "online/page_fetcher.h"

// Turns a snapshot into the dialog's percentage, amount and speed, has the
// dialog draw the bar at once and frees the snapshot. Returns 0. On the
// window's thread.
int OnDownloadProgress(DownloadDialog& dialog, std::unique_ptr<FetchProgress> snapshot);

// "%iK of %iK @ %iK/s" in thousands of bytes and KiB per second; without the
// speed part while the speed is 0.
std::wstring DownloadProgressText(int progressBytes, std::uint32_t expectedBytes, int speed);
