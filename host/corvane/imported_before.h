// The statement command's side of the component's memory of imported
// lines: how the autopilot answers its question about lines imported
// before, what that question said, and --forget.
#pragma once
#include <string>
#include <vector>

#include "host/corvane/autopilot.h"
#include "host/corvane/run_options.h"

namespace corvane {

// Whether a message box is the component's question about lines imported
// before; the answer --already-imported asks for (IDYES, IDNO, IDCANCEL).
bool IsImportedBeforeQuestion(const std::string& text);
int ImportedBeforeAnswer(const std::string& text, AlreadyImported choice);

// What the question said: of `lines` lines of the account, `before` were
// imported before. asked is false when no such question was answered.
struct ImportedBefore {
    bool asked = false;
    long before = 0, lines = 0;
};
ImportedBefore FindImportedBefore(const std::vector<AnsweredBox>& boxes);

// Whether the component may ask about lines imported before: it remembers
// imports and the options' account has a journal (the one --forget empties).
bool MayAskAboutImportedBefore(const Options& options);

// corvane statement --forget: empties the journal of the options' account.
int ForgetImports(const Options& options);

} // namespace corvane
