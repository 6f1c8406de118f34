#include "Filters/Common/SetupRecords.h"

namespace plugin_setup {
namespace {

const AMOVIESETUP_MEDIATYPE kAny[] = {{&GUID_NULL, &GUID_NULL}};
const AMOVIESETUP_MEDIATYPE kAudio[] = {{&MEDIATYPE_Audio, &GUID_NULL}};
const AMOVIESETUP_MEDIATYPE kVideo[] = {{&MEDIATYPE_Video, &GUID_NULL}};
const AMOVIESETUP_MEDIATYPE kRgb24[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_RGB24}};
const AMOVIESETUP_MEDIATYPE kVideoPcm[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_PCM}};

// name, rendered, output, zero, many, connects-to filter, connects-to pin,
// type count, types.
const AMOVIESETUP_PIN kSwitcherPins[] = {
    {u"Input0", FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kAny},
    {u"Output0", FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kAny},
};
const AMOVIESETUP_PIN kAudioTransformPins[] = {
    {u"Input", FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, u"Output", 1, kAudio},
    {u"Output", FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, u"Input", 1, kAudio},
};
const AMOVIESETUP_PIN kVideoTransformPins[] = {
    {u"Input", FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kVideo},
    {u"Output", FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kVideo},
};
const AMOVIESETUP_PIN kRenderedVideoPin[] = {
    {u"Input", TRUE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kVideo},
};
const AMOVIESETUP_PIN kVideoOutputPin[] = {
    {u"Output", FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kVideo},
};
const AMOVIESETUP_PIN kRenderedRgb24Pin[] = {
    {u"Input", TRUE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kRgb24},
};
const AMOVIESETUP_PIN kAudioGrabPin[] = {
    {u"Input", TRUE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kVideoPcm},
};
const AMOVIESETUP_PIN kRenderedAnyPin[] = {
    {u"Input", TRUE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kAny},
};
const AMOVIESETUP_PIN kAnyInputPin[] = {
    {u"Input", FALSE, FALSE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kAny},
};
const AMOVIESETUP_PIN kAnyOutputPin[] = {
    {u"Output", FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, kAny},
};

} // namespace

const AMOVIESETUP_FILTER kSwitcher = {&CLSID_QORSwitcher, u"QOR Switcher", MERIT_DO_NOT_USE, 2, kSwitcherPins};
const AMOVIESETUP_FILTER kReverbix = {&CLSID_Reverbix, u"Reverbix", MERIT_DO_NOT_USE, 2, kAudioTransformPins};
const AMOVIESETUP_FILTER kSceneDetector = {&CLSID_SceneDetector, u"KL Scene Detector", MERIT_DO_NOT_USE, 2,
                                           kVideoTransformPins};
const AMOVIESETUP_FILTER kSeqCapRenderer = {&CLSID_SeqCapRenderer, u"Kestrelon SeqCap Filter", MERIT_DO_NOT_USE, 1,
                                            kRenderedVideoPin};
const AMOVIESETUP_FILTER kSeqCapSource = {&CLSID_SeqCapSource, u"Kestrelon SeqCap Source Filter", MERIT_DO_NOT_USE, 1,
                                          kVideoOutputPin};
const AMOVIESETUP_FILTER kImgCapRenderer = {&CLSID_ImgCapRenderer, u"Kestrelon ImgCap Filter", MERIT_DO_NOT_USE, 1,
                                            kRenderedRgb24Pin};
const AMOVIESETUP_FILTER kVideoGrab = {&CLSID_VideoGrab, u"Kestrelon Video Grab", MERIT_DO_NOT_USE, 1,
                                       kRenderedRgb24Pin};
const AMOVIESETUP_FILTER kAudioGrab = {&CLSID_AudioGrab, u"Kestrelon Audio Grab", MERIT_DO_NOT_USE, 1, kAudioGrabPin};
const AMOVIESETUP_FILTER kQuickGrab = {&CLSID_QuickGrab, u"Kestrelon Quick Grab", MERIT_DO_NOT_USE, 1,
                                       kRenderedAnyPin};
const AMOVIESETUP_FILTER kSewer = {&CLSID_Sewer, u"Sewer", MERIT_DO_NOT_USE, 1, kAnyInputPin};
const AMOVIESETUP_FILTER kChirpex = {&CLSID_Chirpex, u"Chirpex", MERIT_DO_NOT_USE, 2, kAudioTransformPins};
const AMOVIESETUP_FILTER kQORSource = {&CLSID_QORSource, u"QOR Source", MERIT_DO_NOT_USE, 1, kAnyOutputPin};
const AMOVIESETUP_FILTER kWavDest = {&CLSID_WavDest, u"QOR WAV Dest", MERIT_DO_NOT_USE, 0, nullptr};

} // namespace plugin_setup
