#include "platform/sim/SimInstallerDatabase.h"

#include <libmsi.h>

#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "common/AnsiText.h"

namespace quarrix::platform::sim {
namespace {

template <typename Object>
struct Unref {
  void operator()(Object* object) const {
    if (object != nullptr) g_object_unref(object);
  }
};
template <typename Object>
using Owned = std::unique_ptr<Object, Unref<Object>>;

// The library reports failures as GError; the installer's callers only see a result code.
struct Failure {
  GError* error = nullptr;
  ~Failure() {
    if (error != nullptr) g_error_free(error);
  }
  GError** operator&() { return &error; }
  bool Failed() const { return error != nullptr; }
};

std::string TakeString(gchar* text) {
  std::string out = text == nullptr ? std::string() : std::string(text);
  g_free(text);
  return out;
}

class HostRecord : public InstallerRecord {
 public:
  HostRecord(LibmsiRecord* record, unsigned visibleFields) : record_(record), visible_(visibleFields) {}

  unsigned FieldCount() const override { return visible_; }
  bool IsNull(unsigned field) const override {
    return field == 0 || field > visible_ || libmsi_record_is_null(record_.get(), field);
  }
  int32_t GetInteger(unsigned field) const override {
    if (field == 0 || field > visible_) return kInstallerNullInteger;
    return static_cast<int32_t>(libmsi_record_get_int(record_.get(), field));
  }
  std::string GetString(unsigned field) const override {
    if (field == 0 || field > visible_) return {};
    return TakeString(libmsi_record_get_string(record_.get(), field));
  }
  unsigned SetInteger(unsigned field, int32_t value) override {
    if (field == 0 || field > visible_) return kInstallerInvalidHandle;
    return libmsi_record_set_int(record_.get(), field, value) ? kInstallerSuccess : kInstallerFunctionFailed;
  }
  unsigned SetString(unsigned field, const std::string& value) override {
    if (field == 0 || field > visible_) return kInstallerInvalidHandle;
    return libmsi_record_set_string(record_.get(), field, value.c_str()) ? kInstallerSuccess
                                                                         : kInstallerFunctionFailed;
  }

  LibmsiRecord* Get() const { return record_.get(); }
  LibmsiRecord* Raw() { return record_.get(); }

 private:
  Owned<LibmsiRecord> record_;
  unsigned visible_;
};

// The library has no record-wise modify, so a view over one table keeps what it takes to turn a
// modify into a statement: the table, its columns and types, and the primary key of each row it
// fetched (selected behind the visible columns when the statement does not name them).
struct Column {
  std::string name;
  bool integer = false;
};

struct RowKey {
  std::vector<std::optional<std::string>> texts;  // per key column, nothing for null
};

class FetchedRecord : public HostRecord {
 public:
  FetchedRecord(LibmsiRecord* record, unsigned visible, RowKey key)
      : HostRecord(record, visible), key(std::move(key)) {}
  RowKey key;
};

std::vector<std::string> RecordTexts(LibmsiRecord* record) {
  std::vector<std::string> texts;
  if (record == nullptr) return texts;
  const unsigned count = libmsi_record_get_field_count(record);
  for (unsigned i = 1; i <= count; ++i) texts.push_back(TakeString(libmsi_record_get_string(record, i)));
  return texts;
}

std::string Quoted(const std::string& name) { return "`" + name + "`"; }

// The single table a SELECT reads, or nothing: the word after FROM, without its quotes.
std::optional<std::string> SelectTable(const std::string& query, size_t& fromPos) {
  const std::string upper = ToUpperAscii(query);
  size_t pos = upper.find("SELECT");
  if (pos == std::string::npos || upper.find_first_not_of(" \t\r\n") != pos) return std::nullopt;
  fromPos = upper.find("FROM");
  if (fromPos == std::string::npos) return std::nullopt;
  size_t start = query.find_first_not_of(" \t\r\n", fromPos + 4);
  if (start == std::string::npos) return std::nullopt;
  const bool quoted = query[start] == '`';
  if (quoted) ++start;
  const size_t end = quoted ? query.find('`', start) : query.find_first_of(" \t\r\n,", start);
  std::string table = query.substr(start, end == std::string::npos ? std::string::npos : end - start);
  if (table.empty()) return std::nullopt;
  return table;
}

class HostView : public InstallerView {
 public:
  HostView(LibmsiDatabase* database, Owned<LibmsiQuery> query) : database_(database), query_(std::move(query)) {}

  // Learns the table, the columns and the primary key, re-preparing the statement with the key
  // columns behind the visible ones when it does not select them itself.
  void Describe(const std::string& text) {
    size_t fromPos = 0;
    auto table = SelectTable(text, fromPos);
    if (!table) return;
    std::vector<std::string> names, types;
    {
      Failure failure;
      Owned<LibmsiRecord> info(libmsi_query_get_column_info(query_.get(), LIBMSI_COL_INFO_NAMES, &failure));
      names = RecordTexts(info.get());
    }
    {
      Failure failure;
      Owned<LibmsiRecord> info(libmsi_query_get_column_info(query_.get(), LIBMSI_COL_INFO_TYPES, &failure));
      types = RecordTexts(info.get());
    }
    Failure failure;
    Owned<LibmsiRecord> keys(libmsi_database_get_primary_keys(database_, table->c_str(), &failure));
    std::vector<std::string> keyNames = RecordTexts(keys.get());
    if (names.empty() || names.size() != types.size() || keyNames.empty()) return;
    for (size_t i = 0; i < names.size(); ++i)
      columns_.push_back({names[i], !types[i].empty() && (types[i][0] == 'i' || types[i][0] == 'I')});
    table_ = *table;
    std::vector<std::string> missing;
    for (const std::string& key : keyNames) {
      bool found = false;
      for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == key) {
          keyIndexes_.push_back(i + 1);
          found = true;
        }
      if (!found) {
        missing.push_back(key);
        keyIndexes_.push_back(names.size() + missing.size());
      }
      keyNames_.push_back(key);
    }
    if (missing.empty()) return;
    std::string augmented = "SELECT ";
    for (size_t i = 0; i < names.size(); ++i) augmented += (i == 0 ? "" : ",") + Quoted(names[i]);
    for (const std::string& key : missing) augmented += "," + Quoted(key);
    augmented += " " + text.substr(fromPos);
    Failure again;
    Owned<LibmsiQuery> query(libmsi_query_new(database_, augmented.c_str(), &again));
    if (query && !again.Failed()) {
      query_ = std::move(query);
    } else {
      table_.clear();  // the rows cannot be told apart: modify fails
    }
  }

  unsigned Execute(const InstallerRecord* parameters) override {
    Failure failure;
    LibmsiRecord* record = parameters == nullptr ? nullptr : static_cast<const HostRecord*>(parameters)->Get();
    return libmsi_query_execute(query_.get(), record, &failure) ? kInstallerSuccess : kInstallerFunctionFailed;
  }

  std::unique_ptr<InstallerRecord> Fetch() override {
    Failure failure;
    LibmsiRecord* record = libmsi_query_fetch(query_.get(), &failure);
    if (record == nullptr) return nullptr;
    const unsigned visible = columns_.empty() ? libmsi_record_get_field_count(record)
                                              : static_cast<unsigned>(columns_.size());
    RowKey key;
    for (size_t index : keyIndexes_) {
      if (libmsi_record_is_null(record, static_cast<guint>(index)))
        key.texts.emplace_back();
      else
        key.texts.emplace_back(TakeString(libmsi_record_get_string(record, static_cast<guint>(index))));
    }
    return std::make_unique<FetchedRecord>(record, visible, std::move(key));
  }

  unsigned Modify(RecordModify mode, InstallerRecord& record) override {
    if (table_.empty()) return kInstallerFunctionFailed;
    auto& source = static_cast<HostRecord&>(record);
    Owned<LibmsiRecord> parameters(libmsi_record_new(static_cast<guint>(columns_.size() + keyNames_.size())));
    unsigned count = 0;
    auto bind = [&](size_t field, bool integer) {
      ++count;
      if (source.IsNull(static_cast<unsigned>(field))) return;
      if (integer)
        libmsi_record_set_int(parameters.get(), count, source.GetInteger(static_cast<unsigned>(field)));
      else
        libmsi_record_set_string(parameters.get(), count, source.GetString(static_cast<unsigned>(field)).c_str());
    };
    std::string statement;
    if (mode == RecordModify::Insert) {
      std::string names, markers;
      for (size_t i = 0; i < columns_.size(); ++i) {
        names += (i == 0 ? "" : ",") + Quoted(columns_[i].name);
        markers += i == 0 ? "?" : ",?";
        bind(i + 1, columns_[i].integer);
      }
      statement = "INSERT INTO " + Quoted(table_) + " (" + names + ") VALUES (" + markers + ")";
    } else {
      auto* fetched = dynamic_cast<FetchedRecord*>(&record);
      if (fetched == nullptr) return kInstallerInvalidHandle;
      std::string assignments;
      for (size_t i = 0; i < columns_.size(); ++i) {
        bool isKey = false;
        for (const std::string& key : keyNames_) isKey = isKey || key == columns_[i].name;
        if (isKey) continue;  // a row keeps its key
        assignments += (assignments.empty() ? "" : ",") + Quoted(columns_[i].name) + "=?";
        bind(i + 1, columns_[i].integer);
      }
      if (assignments.empty()) return kInstallerSuccess;
      std::string condition;
      for (size_t k = 0; k < keyNames_.size(); ++k) {
        condition += (k == 0 ? "" : " AND ") + Quoted(keyNames_[k]) + "=?";
        ++count;
        const auto& text = fetched->key.texts[k];
        if (!text) return kInstallerFunctionFailed;
        if (KeyIsInteger(k))
          libmsi_record_set_int(parameters.get(), count, std::stoi(*text));
        else
          libmsi_record_set_string(parameters.get(), count, text->c_str());
      }
      statement = "UPDATE " + Quoted(table_) + " SET " + assignments + " WHERE " + condition;
    }
    Failure failure;
    Owned<LibmsiQuery> query(libmsi_query_new(database_, statement.c_str(), &failure));
    if (!query || failure.Failed()) return kInstallerFunctionFailed;
    Failure executeFailure;
    const bool done = libmsi_query_execute(query.get(), parameters.get(), &executeFailure);
    Failure closeFailure;
    libmsi_query_close(query.get(), &closeFailure);
    return done ? kInstallerSuccess : kInstallerFunctionFailed;
  }

  unsigned Close() override {
    Failure failure;
    return libmsi_query_close(query_.get(), &failure) ? kInstallerSuccess : kInstallerFunctionFailed;
  }

 private:
  bool KeyIsInteger(size_t k) const {
    for (const Column& column : columns_)
      if (column.name == keyNames_[k]) return column.integer;
    return false;  // a key selected behind the columns: compared as text
  }

  LibmsiDatabase* database_;
  Owned<LibmsiQuery> query_;
  std::string table_;
  std::vector<Column> columns_;
  std::vector<std::string> keyNames_;
  std::vector<size_t> keyIndexes_;  // 1-based fields of the key columns in a fetched row
};

class HostSummaryInformation : public SummaryInformation {
 public:
  explicit HostSummaryInformation(LibmsiSummaryInfo* summary) : summary_(summary) {}

  SummaryValue GetProperty(SummaryProperty property) override {
    const auto id = static_cast<LibmsiProperty>(property);
    Failure failure;
    const LibmsiPropertyType type = libmsi_summary_info_get_property_type(summary_.get(), id, &failure);
    if (failure.Failed()) return {};
    Failure readFailure;
    if (type == LIBMSI_PROPERTY_TYPE_INT) {
      const gint value = libmsi_summary_info_get_int(summary_.get(), id, &readFailure);
      if (!readFailure.Failed()) return static_cast<int32_t>(value);
    } else if (type == LIBMSI_PROPERTY_TYPE_STRING) {
      const gchar* value = libmsi_summary_info_get_string(summary_.get(), id, &readFailure);
      if (!readFailure.Failed() && value != nullptr) return std::string(value);
    }
    return {};
  }

  unsigned SetProperty(SummaryProperty property, const SummaryValue& value) override {
    const auto id = static_cast<LibmsiProperty>(property);
    Failure failure;
    bool done = false;
    if (const auto* number = std::get_if<int32_t>(&value))
      done = libmsi_summary_info_set_int(summary_.get(), id, *number, &failure);
    else if (const auto* text = std::get_if<std::string>(&value))
      done = libmsi_summary_info_set_string(summary_.get(), id, text->c_str(), &failure);
    return done && !failure.Failed() ? kInstallerSuccess : kInstallerFunctionFailed;
  }

  unsigned Persist() override {
    Failure failure;
    return libmsi_summary_info_persist(summary_.get(), &failure) ? kInstallerSuccess : kInstallerFunctionFailed;
  }

 private:
  Owned<LibmsiSummaryInfo> summary_;
};

// libmsi writes a package opened for writing to its output file at every commit, and deletes that
// file when the database goes without one. The output is therefore a file beside the package,
// moved over it by each commit: a package closed without commit stays as it was, as the system's
// installer leaves it.
class HostDatabase : public InstallerDatabase {
 public:
  HostDatabase(LibmsiDatabase* database, std::filesystem::path package, std::filesystem::path output)
      : database_(database), package_(std::move(package)), output_(std::move(output)) {}

  std::unique_ptr<InstallerView> OpenView(const std::string& query) override {
    Failure failure;
    Owned<LibmsiQuery> prepared(libmsi_query_new(database_.get(), query.c_str(), &failure));
    if (!prepared || failure.Failed()) return nullptr;
    auto view = std::make_unique<HostView>(database_.get(), std::move(prepared));
    view->Describe(query);
    return view;
  }

  std::unique_ptr<SummaryInformation> GetSummaryInformation(unsigned updateCount) override {
    Failure failure;
    LibmsiSummaryInfo* summary = libmsi_summary_info_new(database_.get(), updateCount, &failure);
    if (summary == nullptr || failure.Failed()) {
      if (summary != nullptr) g_object_unref(summary);
      return nullptr;
    }
    return std::make_unique<HostSummaryInformation>(summary);
  }

  unsigned Commit() override {
    Failure failure;
    if (!libmsi_database_commit(database_.get(), &failure)) return kInstallerFunctionFailed;
    if (output_.empty()) return kInstallerSuccess;
    std::error_code ec;
    std::filesystem::rename(output_, package_, ec);
    return ec ? kInstallerFunctionFailed : kInstallerSuccess;
  }

 private:
  Owned<LibmsiDatabase> database_;
  std::filesystem::path package_;
  std::filesystem::path output_;  // empty when read-only
};

}  // namespace

bool IsCompoundFile(const std::filesystem::path& hostPath) {
  static constexpr unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  std::ifstream file(hostPath, std::ios::binary);
  char head[8] = {};
  if (!file.read(head, sizeof head)) return false;
  return std::memcmp(head, kSignature, sizeof head) == 0;
}

std::unique_ptr<InstallerDatabase> OpenHostDatabase(const std::filesystem::path& hostPath, DatabaseOpenMode mode) {
  // libmsi removes a file it fails to open for writing; the system's installer leaves it alone.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(hostPath, ec) || !IsCompoundFile(hostPath)) return nullptr;
  const std::string path = hostPath.string();
  std::filesystem::path output;
  if (mode != DatabaseOpenMode::ReadOnly) output = hostPath.string() + ".quarrix-edit";
  Failure failure;
  LibmsiDatabase* database =
      mode == DatabaseOpenMode::ReadOnly
          ? libmsi_database_new(path.c_str(), LIBMSI_DB_FLAGS_READONLY, nullptr, &failure)
          : libmsi_database_new(path.c_str(), 0, output.string().c_str(), &failure);
  if (database == nullptr || failure.Failed()) {
    if (database != nullptr) g_object_unref(database);
    return nullptr;
  }
  return std::make_unique<HostDatabase>(database, hostPath, output);
}

std::unique_ptr<InstallerRecord> CreateHostRecord(unsigned fieldCount) {
  return std::make_unique<HostRecord>(libmsi_record_new(fieldCount), fieldCount);
}

}  // namespace quarrix::platform::sim
