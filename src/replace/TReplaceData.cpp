#include "replace/TReplaceData.h"

TReplaceData::TReplaceData(const TSettingsStore& store)
{
    Load(store);
}

void TReplaceData::Load(const TSettingsStore&) {}

void TReplaceData::Save(TSettingsStore&) const {}
