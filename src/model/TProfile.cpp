// SPDX-License-Identifier: MIT
#include "model/TProfile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <optional>

#include "model/TAtomicFile.h"
#include "model/TConfigFolder.h"
#include "model/TIniText.h"

namespace {

// A parameter file holds a few dozen short lines. Anything far larger is not one: it reads as
// missing and is never rewritten, so a wrong file name cannot make us swallow or shorten it.
constexpr std::size_t MaxFileSize = 16 * 1024 * 1024;

// A rewritten parameter file keeps the old one's permissions and, where allowed, its owner; a
// new one gets the usual mode for a new file.
constexpr TAtomicFile::TOptions ReplaceOptions{
    .TemporaryPrefix = ".par-",
    .TemporarySuffix = ".tmp",
    .NewFileMode = 0666,
    .PermissionsRequired = true,
    .KeepOwner = true,
    .SyncFile = true,
    .SyncFolder = false,
};

// A parameter file in the configuration folder (default.par) is the user's alone.
constexpr TAtomicFile::TOptions PrivateReplaceOptions = [] {
    TAtomicFile::TOptions options = ReplaceOptions;
    options.NewFileMode = TConfigFolder::FileMode;
    return options;
}();

// A decimal integer: an optional sign and digits only, within the 32-bit range.
std::optional<int32_t> ParseDecimal(const std::string& text)
{
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+'))
        i = 1;
    if (i == text.size())
        return std::nullopt;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
        if (value > int64_t(INT32_MAX) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX)
        return std::nullopt;
    return static_cast<int32_t>(value);
}

// The State rule: "TRUE" or "YES" in any case, or "1".
bool IsTrueText(const std::string& text)
{
    if (text == "1")
        return true;
    std::string upper = text;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return upper == "TRUE" || upper == "YES";
}

// The content of a readable parameter file, or nothing when it reads as missing.
std::optional<std::string> ReadContent(const std::string& fileName)
{
    std::string content;
    struct stat info;
    if (TAtomicFile::ReadWholeFile(fileName, MaxFileSize, content, info) != TAtomicFile::TReadOutcome::Read)
        return std::nullopt;
    return content;
}

} // namespace

// One reading of a file for a TReadBatch: its values, or nothing when it reads as missing.
struct TProfileSnapshot {
    bool Taken = false;
    std::string FileName;
    std::optional<TIniText::TIndex> Values;

    std::optional<std::string> Find(const std::string& fileName, const std::string& section, const std::string& key)
    {
        if (!Taken || fileName != FileName) {
            std::optional<std::string> content = ReadContent(fileName);
            Values.reset();
            if (content)
                Values.emplace(*content);
            FileName = fileName;
            Taken = true;
        }
        return Values ? Values->Find(section, key) : std::nullopt;
    }
};

// The writes of a TWriteBatch: the file as read for its rewrite and the content with the writes
// so far, replaced in one go by Flush.
struct TProfilePendingWrite {
    bool Loaded = false;
    bool Writable = false;
    std::string FileName;
    TAtomicFile::TRewrite File;
    mode_t Mode = 0;
    bool PrivateFile = false;
    std::string Content;

    bool Write(const std::string& fileName, const std::string& section, const std::string& key, const std::string& text)
    {
        if (!Loaded || fileName != FileName) {
            Flush();
            Load(fileName);
        }
        if (!Writable)
            return false;
        Content = TIniText::Write(Content, section, key, text);
        return true;
    }

    // The value as the file will hold it, or nothing when this batch holds no copy of the file.
    std::optional<std::optional<std::string>> Find(const std::string& fileName, const std::string& section,
                                                   const std::string& key) const
    {
        if (!Loaded || !Writable || fileName != FileName)
            return std::nullopt;
        return TIniText::Read(Content, section, key);
    }

    void Flush()
    {
        if (!Loaded)
            return;
        Loaded = false;
        if (!Writable || (File.Existed && Content == File.Content && File.Info.st_mode == Mode))
            return;
        TAtomicFile::Replace(File, Content, PrivateFile ? PrivateReplaceOptions : ReplaceOptions);
    }

private:
    void Load(const std::string& fileName)
    {
        FileName = fileName;
        Loaded = true;
        File = {};
        Writable = TAtomicFile::ReadForRewrite(fileName, MaxFileSize, File);
        if (!Writable)
            return;
        Mode = File.Info.st_mode;
        PrivateFile = TConfigFolder::Narrow(File);
        Content = File.Content;
    }
};

TProfile::TWriteBatch::TWriteBatch(const TProfile& profile)
    : Profile(profile), Previous(profile.WriteBatch), Pending(std::make_shared<TProfilePendingWrite>())
{
    Profile.WriteBatch = Pending;
}

TProfile::TWriteBatch::~TWriteBatch()
{
    Pending->Flush();
    Profile.WriteBatch = Previous;
}

TProfile::TReadBatch::TReadBatch(const TProfile& profile)
    : Profile(profile), Previous(profile.Batch), Snapshot(std::make_shared<TProfileSnapshot>())
{
    Profile.Batch = Snapshot;
}

TProfile::TReadBatch::~TReadBatch()
{
    Profile.Batch = Previous;
}

std::string TProfile::Text() const
{
    if (FileName.empty() || Section.empty() || Entry.empty())
        return {};
    std::optional<std::string> value;
    const std::shared_ptr<TProfilePendingWrite> pending = WriteBatch.lock();
    if (const auto written = pending ? pending->Find(FileName, Section, Entry) : std::nullopt) {
        value = *written;
    } else if (const std::shared_ptr<TProfileSnapshot> snapshot = Batch.lock()) {
        value = snapshot->Find(FileName, Section, Entry);
    } else if (const std::optional<std::string> content = ReadContent(FileName)) {
        value = TIniText::Read(*content, Section, Entry);
    }
    std::string text = value ? std::move(*value) : DefaultText;
    if (text.size() > MaxValueLength)
        text.resize(MaxValueLength);
    return text;
}

bool TProfile::SetText(const std::string& text) const
{
    if (FileName.empty() || Section.empty() || Entry.empty())
        return false;
    if (const std::shared_ptr<TProfileSnapshot> snapshot = Batch.lock())
        snapshot->Taken = false; // the next read sees this write
    // A name that could not be read back (a line break, an "=" in a key) is never written:
    // it would add lines of its own to the file.
    if (!TIniText::IsWritableSection(Section) || !TIniText::IsWritableKey(Entry))
        return false;
    if (const std::shared_ptr<TProfilePendingWrite> pending = WriteBatch.lock())
        return pending->Write(FileName, Section, Entry, text);

    // A linked parameter file stays linked: the write replaces the file the link names.
    TAtomicFile::TRewrite file;
    if (!TAtomicFile::ReadForRewrite(FileName, MaxFileSize, file))
        return false;
    const mode_t mode = file.Info.st_mode;
    const bool privateFile = TConfigFolder::Narrow(file);
    const std::string updated = TIniText::Write(file.Content, Section, Entry, text);
    if (file.Existed && updated == file.Content && file.Info.st_mode == mode)
        return true;
    return TAtomicFile::Replace(file, updated, privateFile ? PrivateReplaceOptions : ReplaceOptions);
}

bool TProfile::State() const
{
    return IsTrueText(Text());
}

bool TProfile::SetState(bool state) const
{
    return SetText(state ? "True" : "False");
}

int32_t TProfile::Value() const
{
    const std::string text = Text();
    if (text.empty())
        return 0;
    if (const std::optional<int32_t> value = ParseDecimal(text))
        return *value;
    return IsTrueText(text) ? 1 : 0;
}

bool TProfile::SetValue(int32_t value) const
{
    return SetText(std::to_string(value));
}
