// quilltool create FILE [--minimal]: a new database file with the content every new
// database starts with; with --minimal, without the standard headers and the user
// template. An existing file is never touched.
#include <optional>

#include "env/settings.h"
#include "tool/tool.h"
#include "content/initial_content.h"

namespace qn::tool {

namespace {

int RunCreate(const std::vector<std::string>& args, ToolContext& context);

constexpr ToolCommand kCreate{
    "create", "FILE [--minimal]",
    "Create a new database file with its initial content (refused when FILE exists).",
    RunCreate};
RegisterCommand registered{kCreate};

constexpr std::string_view kMinimalOption = "--minimal";
constexpr std::string_view kContentKey = "AutoCreateRecords";

// Sets "AutoCreateRecords" for one open, in memory, and puts back what was there: the
// command asks for the content itself, whatever the settings file says, and never
// changes the settings file.
class ContentSetting {
 public:
  explicit ContentSetting(bool minimal) {
    SectionScope section(kEngineSection);
    if (SettingExists(kContentKey)) saved_ = ReadSettingString(kContentKey);
    WriteSettingInteger(kContentKey, minimal ? 1 : 0);
  }
  ~ContentSetting() {
    SectionScope section(kEngineSection);
    if (saved_) {
      WriteSettingString(kContentKey, *saved_);
    } else {
      DeleteSetting(kContentKey);
    }
  }
  ContentSetting(const ContentSetting&) = delete;
  ContentSetting& operator=(const ContentSetting&) = delete;

 private:
  std::optional<std::string> saved_;
};

int RunCreate(const std::vector<std::string>& args, ToolContext& context) {
  std::vector<std::string> files;
  bool minimal = false;
  for (const std::string& arg : args) {
    if (arg == kMinimalOption) {
      if (minimal) return UsageError(context, kCreate);  // given twice: an argument too many
      minimal = true;
    } else {
      files.push_back(arg);
    }
  }
  if (files.size() != 1) return UsageError(context, kCreate);
  const std::string& fileName = files[0];
  if (context.files->Exists(fileName)) return Fail(context, fileName + ": already exists");
  tDataImageArk database(context.files);
  {
    ContentSetting content(minimal);
    OpenDatabase(database, fileName, OpenPolicy::kCreate);
  }
  if (!database.IsOpen()) {
    return Fail(context, fileName + ": cannot create (" + ErrorDescription(database.LastError()) + ")");
  }
  // The initial content is written as the file is opened; a write that fell short leaves
  // a database that is not whole.
  const int32_t writeError = database.FirstWriteError();
  database.Close();
  if (writeError != 0) {
    return Fail(context, fileName + ": cannot write (" + ErrorDescription(writeError) + ")");
  }
  if (database.LastError() != 0) {
    return Fail(context, fileName + ": cannot close (" + ErrorDescription(database.LastError()) + ")");
  }
  return kExitOk;
}

}  // namespace

}  // namespace qn::tool
