// The real backend's audio drivers.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/core/audio_driver.h"

// The built-in mixer over SDL's default audio output, mixing on SDL's audio
// callback thread. Null when no output can be opened.
std::unique_ptr<AudioDriverImpl> CreateSdlMixerDriver();

// True when the system's OpenAL library can be loaded (looked up once).
bool OpenALAvailable();
// The output devices OpenAL reports.
std::vector<std::string> OpenALDevices();
// OpenAL on one device ("" for the default). Null when it cannot be opened.
std::unique_ptr<AudioDriverImpl> CreateOpenALDriver(const std::string& device);

// Stops the current driver and closes its output. Runs by itself at exit.
void AudioShutdown();
// For tests that share one process: the driver shut down and the driver list
// as at start, before any EnableOpenALAudio call.
void AudioStartOver();
