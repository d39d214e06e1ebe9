#pragma once

#include <string>

// Drives every dialog of the library the way a person would and saves a picture of each
// into `folder` (PNG). `logs` is the folder the wizard searches. Needs a display (Xvfb).
int takeScreenshots(const std::string& folder, const std::string& logs);
