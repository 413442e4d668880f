// The host account's lines of a statement file, read and waiting to be
// added: the import reads the whole file before it touches the host's
// statement, so that the user can be asked about lines imported before.
// Which lines are the account's is decided here, by the sort code and the
// account number, with or without dashes and spaces and with the leading
// zeros a spreadsheet dropped.
#pragma once
#include <cstddef>
#include <functional>

#include "blocks/block_list.h"
#include "statements/statement_import_report.h"
#include "statements/statement_line.h"
#include "text/cstring.h"

namespace qf {

class CRBSTransactionFile;
class CTransactionRecord;

// The host's account as it is compared with the statement's columns. A text
// of 32 bytes or more stays whole, so that it never matches.
StatementAccount HostAccountKey(const CString& sortCode, const CString& accountNumber);

// The account's lines. Lines and their texts are kept in blocks, so that a
// line costs no allocation of its own and nothing is copied as they grow,
// and the lines of a full block stay put for the journal to check.
class PendingLines {
public:
    static constexpr std::size_t kPerBlock = BlockList<StatementLine>::kPerBlock;

    void Add(const CTransactionRecord& record);
    std::size_t Size() const noexcept { return m_lines.size(); }
    const StatementLine& operator[](std::size_t i) const noexcept { return m_lines[i]; }

private:
    BlockList<StatementLine> m_lines;
    TextArena m_texts;
};

// Where each full block of pending lines goes while the rest is read.
using PendingBlockFn = std::function<void(const StatementLine* lines, std::size_t count)>;

// Reads every line after the header of a file whose columns are prepared.
// A blank or unreadable line is passed over and counted in report, with the
// reason for an unreadable one; the accounts of the readable lines are
// noted there, and the lines of report.hostAccount are added to pending.
void ReadAccountLines(CRBSTransactionFile& file, StatementImportReport& report, PendingLines& pending,
                      const PendingBlockFn& fullBlock);

} // namespace qf
