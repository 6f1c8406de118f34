#pragma once
// The filter mapper records of every plug-in filter: name, merit (always
// MERIT_DO_NOT_USE, so that automatic graph building never inserts one)
// and pin records. Each library's class-factory table points at its own.

#include "Filters/Common/PluginClasses.h"

namespace plugin_setup {

extern const AMOVIESETUP_FILTER kSwitcher;
extern const AMOVIESETUP_FILTER kReverbix;
extern const AMOVIESETUP_FILTER kSceneDetector;
extern const AMOVIESETUP_FILTER kSeqCapRenderer;
extern const AMOVIESETUP_FILTER kSeqCapSource;
// Registered as "Kestrelon ImgCap Filter"; its class is named
// "Kestrelon ImgCap Source Filter".
extern const AMOVIESETUP_FILTER kImgCapRenderer;
extern const AMOVIESETUP_FILTER kVideoGrab;
// Registers the video major type with the PCM subtype, as the installed
// base has it; the filter itself takes PCM audio.
extern const AMOVIESETUP_FILTER kAudioGrab;
extern const AMOVIESETUP_FILTER kQuickGrab;
extern const AMOVIESETUP_FILTER kSewer;
extern const AMOVIESETUP_FILTER kChirpex;
extern const AMOVIESETUP_FILTER kQORSource;
// No pins.
extern const AMOVIESETUP_FILTER kWavDest;

} // namespace plugin_setup
