// SPDX-License-Identifier: MIT
// Arbitrary bytes as the content of the settings file.
//  - In memory: the text form read back from its own output gives the same tree, and writing
//    it again gives the same text.
//  - Through a file (in /dev/shm): a store loads the bytes; the settings objects read their
//    keys; they write them back together with a value whose key, name and text come from the
//    input; the store saves. A second store loading the saved file must hold exactly what the
//    first one held, and the settings objects must read back what they wrote.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "model/TFilespecChoices.h"
#include "model/THistoryList.h"
#include "model/TPlacement.h"
#include "model/TProgramData.h"
#include "model/TSettingsStore.h"
#include "model/TSettingsText.h"

namespace {

void Require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

std::string Folder;
std::string FilePath;

void CheckInMemory(std::string_view content)
{
    const TSettingsTree first = TSettingsText::Parse(content);
    const std::string text = TSettingsText::Format(first);
    const TSettingsTree second = TSettingsText::Parse(text);
    Require(second == first);
    Require(TSettingsText::Format(second) == text);
}

bool SamePreferences(const TProgramData& a, const TProgramData& b)
{
    return a.ExpertMode == b.ExpertMode && a.HorizontalSplit == b.HorizontalSplit && a.EditorCommand == b.EditorCommand &&
           a.ShortFilenames == b.ShortFilenames && a.MatchWindow == b.MatchWindow && a.OMWAS == b.OMWAS &&
           a.ExitConfirm == b.ExitConfirm && a.ShowDlgOnStart == b.ShowDlgOnStart;
}

void CheckThroughFile(std::string_view content)
{
    FILE* file = std::fopen(FilePath.c_str(), "wb");
    Require(file != nullptr);
    Require(std::fwrite(content.data(), 1, content.size(), file) == content.size());
    Require(std::fclose(file) == 0);

    // A key below the root, a value name and a text, all cut from the input.
    const std::size_t third = content.size() / 3;
    const std::string subKey(content.substr(0, std::min<std::size_t>(third, 40)));
    const std::string name(content.substr(third, std::min<std::size_t>(third, 40)));
    const std::string text(content.substr(2 * third));

    TSettingsStore store(FilePath);
    Require(store.LoadState() == TSettingsStore::TLoadState::Loaded);
    const TProgramData data(store);
    THistoryList strings(THistoryList::StringsKey);
    strings.Load(store);
    TFilespecChoices choices;
    choices.Load(store);
    TPlacement placement("MainForm");
    placement.RegKeyName = TPlacement::FormPositionsPath();
    const TPlacementBounds bounds = placement.RestorePlacement(store).value_or(TPlacementBounds{1, 2, 3, 4});

    data.SaveSettings(store);
    strings.Save(store);
    choices.Save(store);
    Require(placement.SavePlacement(store, bounds));
    const TSettingsKey key = store.CreateKey(TSettingsStore::KeyPath(subKey));
    const bool wroteText = key.ok() && key.WriteString(name, text);
    Require(store.Save());
    Require(!store.HasPendingWrites());

    const TSettingsStore reloaded(FilePath);
    Require(reloaded.Tree() == store.Tree());

    Require(SamePreferences(TProgramData(reloaded), data));
    THistoryList stringsAgain(THistoryList::StringsKey);
    stringsAgain.Load(reloaded);
    // Higher numbers of the original key may follow the saved entries.
    Require(stringsAgain.Items.size() >= strings.Items.size() &&
            std::equal(strings.Items.begin(), strings.Items.end(), stringsAgain.Items.begin()));
    TFilespecChoices choicesAgain;
    choicesAgain.Load(reloaded);
    for (const std::string& entry : choices.Items())
        Require(choicesAgain.IndexOf(entry) >= 0);
    Require(placement.RestorePlacement(reloaded) == bounds);
    if (wroteText) {
        const TSettingsResult<std::string> read = reloaded.OpenKey(TSettingsStore::KeyPath(subKey)).ReadString(name);
        Require(read.ok() && read.Value == text.substr(0, text.find('\0')));
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Folder = "/dev/shm/quarnel-settings-fuzz-" + std::to_string(getpid());
    mkdir(Folder.c_str(), 0700);
    FilePath = Folder + "/settings.reg";
    std::atexit([] {
        unlink(FilePath.c_str());
        unlink((FilePath + ".lock").c_str());
        rmdir(Folder.c_str());
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    CheckInMemory(content);
    CheckThroughFile(content);
    return 0;
}
