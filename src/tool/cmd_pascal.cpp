// The templates as the template editor and the Pascal import see them:
//   quilltool template FILE NAME: the expanded field list of a template, one line per
//     field (index, name, type name, type number, Length, Decimals, Hidden, Required,
//     ShowLength, DataLength, tab-separated), then "DataSize" and its value.
//   quilltool pascal FILE NAME --record|--object: the declaration view's lines.
//   quilltool declarations SOURCE: the declaration lines the import dialog lists.
// A SOURCE is read only when it is a regular file of at most 64 MiB.
//   quilltool import-pascal FILE SOURCE [DECLARATION...] [--name NAME]: the declarations
//     (all the source has when none is named) as templates; prints each new template's
//     name and field count. Importing all, a declaration whose name is already used is
//     skipped with one line saying so.
// Exit 1 when the template, or a declaration to import, is not there.
#include <sstream>

#include "env/input_file.h"
#include "exchange/pascal_import.h"
#include "exchange/pascal_views.h"
#include "templates/def_editor.h"
#include "templates/template_store.h"
#include "templates/type_table.h"
#include "tool/edit_file.h"
#include "tool/tool.h"

namespace qn::tool {

namespace {

int RunTemplate(const std::vector<std::string>& args, ToolContext& context);
int RunPascal(const std::vector<std::string>& args, ToolContext& context);
int RunDeclarations(const std::vector<std::string>& args, ToolContext& context);
int RunImportPascal(const std::vector<std::string>& args, ToolContext& context);

constexpr ToolCommand kTemplate{"template", "FILE NAME",
                                "Print the expanded field list of template NAME and its DataSize.", RunTemplate};
constexpr ToolCommand kPascal{"pascal", "FILE NAME --record|--object",
                              "Print template NAME as a Pascal record or object declaration.", RunPascal};
constexpr ToolCommand kDeclarations{"declarations", "SOURCE",
                                    "List the record, object and class declarations of a Pascal source.",
                                    RunDeclarations};
constexpr ToolCommand kImportPascal{"import-pascal", "FILE SOURCE [DECLARATION...] [--name NAME]",
                                    "Import declarations of a Pascal source as templates.", RunImportPascal};
RegisterCommand registeredTemplate{kTemplate};
RegisterCommand registeredPascal{kPascal};
RegisterCommand registeredDeclarations{kDeclarations};
RegisterCommand registeredImport{kImportPascal};

int NoTemplate(ToolContext& context, const std::string& name) {
  context.err << "quilltool: no template named \"" << Escaped(name) << "\"\n";
  return kExitNotFound;
}

// The object view needs the editor's grid; opening a template asks nothing.
class SilentHost : public DefEditorHost {
 public:
  std::string Input(std::string_view, std::string_view) override { return ""; }
  bool YesNo(std::string_view, bool defaultYes) override { return defaultYes; }
  void Message(std::string_view) override {}
  std::string ChooseTemplate(const std::vector<std::string>&) override { return ""; }
  std::string CurrentDisplayName() override { return ""; }
};

int RunTemplate(const std::vector<std::string>& args, ToolContext& context) {
  if (!ExpectArguments(context, kTemplate, args, 2)) return kExitError;
  tDataImageArk db(context.files);
  if (int r = OpenForReading(context, args[0], db); r != kExitOk) return r;
  if (LoadTemplate(db, args[1]) != 0) return NoTemplate(context, args[1]);
  const tLoadedTemplate& t = LoadedTemplate(db);
  for (size_t i = 0; i < t.Fields.size(); ++i) {
    const TemplateField& f = t.Fields[i];
    context.out << i << '\t' << PrintableText(f.Name) << '\t' << TypeName(f.DataType) << '\t' << f.DataType
                << '\t' << f.Length << '\t' << f.Decimals << '\t' << int(f.Hidden) << '\t' << int(f.Required)
                << '\t' << f.ShowLength << '\t' << f.DataLength << '\n';
  }
  context.out << "DataSize\t" << t.Header.DataSize << '\n';
  return kExitOk;
}

int RunPascal(const std::vector<std::string>& args, ToolContext& context) {
  if (!ExpectArguments(context, kPascal, args, 3)) return kExitError;
  if (args[2] != "--record" && args[2] != "--object") return UsageError(context, kPascal);
  tDataImageArk db(context.files);
  if (int r = OpenForReading(context, args[0], db); r != kExitOk) return r;
  SilentHost host;
  DefEditor editor(db, host, false);
  editor.SetNameBox(args[1]);
  if (!editor.Open()) return NoTemplate(context, args[1]);
  const std::vector<std::string> lines = args[2] == "--object"
                                             ? ObjectDeclaration(editor)
                                             : RecordDeclaration(args[1], LoadedTemplate(db).Fields);
  for (const std::string& line : lines) context.out << Escaped(line) << '\n';
  return kExitOk;
}

int RunDeclarations(const std::vector<std::string>& args, ToolContext& context) {
  if (!ExpectArguments(context, kDeclarations, args, 1)) return kExitError;
  const InputFile file = ReadInputFile(args[0], kPascalSourceLimit);
  if (!file.ok) return Fail(context, file.message);
  std::istringstream in(file.bytes);
  const SourceScan scan = PascalSource(in).Scan();
  if (!scan.error.empty()) return Fail(context, scan.error);
  for (const std::string& line : scan.declarations) context.out << Escaped(line) << '\n';
  return kExitOk;
}

int RunImportPascal(const std::vector<std::string>& args, ToolContext& context) {
  std::vector<std::string> declarations;
  std::string name;
  for (size_t i = 2; i < args.size(); ++i) {
    if (args[i] == "--name") {
      if (i + 1 >= args.size() || !name.empty()) return UsageError(context, kImportPascal);
      name = args[++i];
    } else if (args[i].starts_with("--")) {
      return UsageError(context, kImportPascal);  // no other option
    } else {
      declarations.push_back(args[i]);
    }
  }
  if (args.size() < 2) return UsageError(context, kImportPascal);
  // The source is read once, however many declarations come from it.
  const InputFile file = ReadInputFile(args[1], kPascalSourceLimit);
  if (!file.ok) return Fail(context, file.message);
  std::istringstream in(file.bytes);
  const PascalSource source(in);
  if (!source.Scan().error.empty()) return Fail(context, source.Scan().error);
  tDataImageArk db(context.files);
  if (int r = OpenForEditing(context, args[0], db); r != kExitOk) return r;
  int exit = kExitOk;
  // All of a source: a name already used is skipped with a line, and the rest go on.
  std::vector<ImportResult> results;
  if (declarations.empty() && name.empty()) results = ImportAllDeclarations(db, source);
  if (declarations.empty() && !name.empty()) declarations = source.Scan().declarations;
  for (const std::string& declaration : declarations)
    results.push_back(ImportDeclaration(db, source, declaration, name));
  for (const ImportResult& result : results) {
    if (result.status == ImportResult::Status::kImported) {
      context.out << Escaped(result.name) << '\t' << result.fields << '\n';
      continue;
    }
    if (result.status == ImportResult::Status::kSkipped) {
      context.err << "quilltool: " << Escaped(result.message) << '\n';
      continue;
    }
    context.err << "quilltool: " << Escaped(result.message) << '\n';
    if (result.status == ImportResult::Status::kNotFound) {
      if (exit == kExitOk) exit = kExitNotFound;
    } else {
      exit = kExitError;
    }
  }
  if (int r = CloseAfterEditing(context, db); r != kExitOk) return r;
  return exit;
}

}  // namespace

}  // namespace qn::tool
