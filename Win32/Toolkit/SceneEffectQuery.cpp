#include "Win32/Toolkit/SceneEffectQuery.h"

bool CSceneEffectQuery::HasMotionEffect(Scene*) { return false; }
bool CSceneEffectQuery::HasSpectrumEffect(Scene*) { return false; }
bool CSceneEffectQuery::HasTextEffect(Scene*) { return false; }
bool CSceneEffectQuery::HasColorEffect(Scene*) { return false; }
INT CSceneEffectQuery::GetAudioTrackCount(Scene*) { return 0; }
