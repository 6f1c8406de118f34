#include "Win32/Sb/Document/EffectNames.h"

#include "Platform/Mfc/AfxMessageBox.h"
#include "Platform/Mfc/String.h"
#include "Win32/Utils/ResourceSwitch.h"

bool EffectNames::LoadOne(UINT id)
{
    CString text;
    if (!text.LoadString(id) || text.IsEmpty()) {
        m_names[id] = "#" + std::to_string(id);
        return false;
    }
    m_names[id] = static_cast<LPCSTR>(text);
    return true;
}

bool EffectNames::Load(std::initializer_list<UINT> ids)
{
    CResourceSwitch untranslated(kResourceUntranslated);
    bool all = true;
    for (UINT id : ids)
        all = LoadOne(id) && all;
    return all;
}

bool EffectNames::LoadRange(UINT first, UINT last)
{
    CResourceSwitch untranslated(kResourceUntranslated);
    bool all = true;
    for (UINT id = first; id <= last; ++id)
        all = LoadOne(id) && all;
    return all;
}

const char* EffectNames::operator[](UINT id) const
{
    auto found = m_names.find(id);
    return found != m_names.end() ? found->second.c_str() : "";
}

std::string EffectNames::With(UINT id, const std::string& suffix) const
{
    return (*this)[id] + suffix;
}

void ShowEffectMessage(UINT id)
{
    CResourceSwitch language(kResourceLanguage);
    AfxMessageBox(id, MB_OK | MB_ICONEXCLAMATION);
}
