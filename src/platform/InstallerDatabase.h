#pragma once
// A Windows Installer package database: SQL views over its tables, records and the summary
// information stream. Objects close their installer handle when destroyed. Operations report
// the installer's result code; edits that carry on after a failed statement simply ignore it.
#include <cstdint>
#include <memory>
#include <string>
#include <variant>

namespace quarrix::platform {

// Installer result codes the engine tells apart.
inline constexpr unsigned kInstallerSuccess = 0;              // ERROR_SUCCESS
inline constexpr unsigned kInstallerNoMoreItems = 259;        // ERROR_NO_MORE_ITEMS
inline constexpr unsigned kInstallerInvalidHandle = 6;        // ERROR_INVALID_HANDLE
inline constexpr unsigned kInstallerBadQuerySyntax = 1615;    // ERROR_BAD_QUERY_SYNTAX
inline constexpr unsigned kInstallerFunctionFailed = 1627;    // ERROR_FUNCTION_FAILED
inline constexpr unsigned kInstallerUserExit = 1602;          // ERROR_INSTALL_USEREXIT
inline constexpr unsigned kInstallerFailure = 1603;           // ERROR_INSTALL_FAILURE
inline constexpr unsigned kInstallerAlreadyRunning = 1618;    // ERROR_INSTALL_ALREADY_RUNNING
inline constexpr unsigned kInstallerPackageOpenFailed = 1619;  // ERROR_INSTALL_PACKAGE_OPEN_FAILED
inline constexpr unsigned kInstallerRebootInitiated = 1641;   // ERROR_SUCCESS_REBOOT_INITIATED
inline constexpr unsigned kInstallerRebootRequired = 3010;    // ERROR_SUCCESS_REBOOT_REQUIRED

enum class DatabaseOpenMode { ReadOnly, Direct };  // MSIDBOPEN_READONLY, MSIDBOPEN_DIRECT

// MsiViewModify modes the engine uses, with the installer's numbers.
enum class RecordModify : int { Insert = 1, Update = 2 };

// Summary information property ids (PID_*).
enum class SummaryProperty : unsigned {
  Codepage = 1, Title = 2, Subject = 3, Author = 4, Keywords = 5, Comments = 6,
  Template = 7, LastAuthor = 8, RevisionNumber = 9, PageCount = 14, WordCount = 15,
};

// Empty (VT_EMPTY, also what a failed read gives), a number (VT_I2/VT_I4, the type the property
// requires) or a text (VT_LPSTR).
using SummaryValue = std::variant<std::monostate, int32_t, std::string>;

// Fields are numbered from 1, as in the installer.
class InstallerRecord {
 public:
  virtual ~InstallerRecord() = default;
  virtual unsigned FieldCount() const = 0;
  virtual bool IsNull(unsigned field) const = 0;
  // MSI_NULL_INTEGER (0x80000000) when the field is empty or not a number.
  virtual int32_t GetInteger(unsigned field) const = 0;
  virtual std::string GetString(unsigned field) const = 0;
  virtual unsigned SetInteger(unsigned field, int32_t value) = 0;
  virtual unsigned SetString(unsigned field, const std::string& value) = 0;
};

inline constexpr int32_t kInstallerNullInteger = INT32_MIN;  // MSI_NULL_INTEGER

class InstallerView {
 public:
  virtual ~InstallerView() = default;
  // Parameters fill the statement's "?" markers in order; nullptr for none.
  virtual unsigned Execute(const InstallerRecord* parameters) = 0;
  // The next row, or nullptr after the last one or on any failure.
  virtual std::unique_ptr<InstallerRecord> Fetch() = 0;
  // Update needs a record this view fetched; Insert takes one made by Installer::CreateRecord.
  virtual unsigned Modify(RecordModify mode, InstallerRecord& record) = 0;
  // MsiViewClose: ends the execution; the view may be executed again.
  virtual unsigned Close() = 0;
};

class SummaryInformation {
 public:
  virtual ~SummaryInformation() = default;
  virtual SummaryValue GetProperty(SummaryProperty property) = 0;
  virtual unsigned SetProperty(SummaryProperty property, const SummaryValue& value) = 0;
  virtual unsigned Persist() = 0;
};

class InstallerDatabase {
 public:
  virtual ~InstallerDatabase() = default;
  // Nothing when the statement cannot be prepared (bad syntax, missing table).
  virtual std::unique_ptr<InstallerView> OpenView(const std::string& query) = 0;
  // Opened with room for updateCount changed properties (0 to read only); nothing on failure.
  virtual std::unique_ptr<SummaryInformation> GetSummaryInformation(unsigned updateCount) = 0;
  virtual unsigned Commit() = 0;

  // Open the view, execute it, close it: how a single statement runs.
  unsigned Execute(const std::string& query, const InstallerRecord* parameters = nullptr) {
    std::unique_ptr<InstallerView> view = OpenView(query);
    if (!view) return kInstallerBadQuerySyntax;
    const unsigned status = view->Execute(parameters);
    view->Close();
    return status;
  }
};

}  // namespace quarrix::platform
