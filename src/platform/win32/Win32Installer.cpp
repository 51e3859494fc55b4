#include "platform/win32/Win32Installer.h"

#include <vector>

#include "platform/win32/Win32Api.h"

namespace quarrix::platform::win32 {
namespace {

using MsiHandle = unsigned long;  // MSIHANDLE
using UiHandlerA = INT(WINAPI*)(LPVOID, UINT, LPCSTR);

template <typename Function>
Function As(void (*generic)()) {
  return reinterpret_cast<Function>(generic);
}

constexpr DWORD kVtI2 = 2, kVtI4 = 3, kVtLpstr = 30;
constexpr UINT kMoreData = 234;  // ERROR_MORE_DATA

// A string out of a call that reports its length and ERROR_MORE_DATA when the buffer is short.
template <typename Call>
std::optional<std::string> ReadString(Call call) {
  std::vector<char> buffer(260);
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD length = static_cast<DWORD>(buffer.size());
    const UINT status = call(buffer.data(), &length);
    if (status == ERROR_SUCCESS) return std::string(buffer.data(), length);
    if (status != kMoreData) return std::nullopt;
    buffer.resize(static_cast<size_t>(length) + 1);  // length excludes the terminator
  }
  return std::nullopt;
}

class Handle {
 public:
  Handle(Win32Installer& installer, MsiHandle handle) : installer_(installer), handle_(handle) {}
  ~Handle() {
    if (handle_ != 0)
      if (auto close = installer_.Find("MsiCloseHandle")) As<UINT(WINAPI*)(MsiHandle)>(close)(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  MsiHandle Get() const { return handle_; }

 protected:
  template <typename Function>
  Function Call(const char* name) const {
    return As<Function>(installer_.Require(name));
  }
  Win32Installer& installer_;
  MsiHandle handle_;
};

class Win32Record : public InstallerRecord, public Handle {
 public:
  using Handle::Handle;
  unsigned FieldCount() const override { return Call<UINT(WINAPI*)(MsiHandle)>("MsiRecordGetFieldCount")(handle_); }
  bool IsNull(unsigned field) const override {
    return Call<BOOL(WINAPI*)(MsiHandle, UINT)>("MsiRecordIsNull")(handle_, field) != FALSE;
  }
  int32_t GetInteger(unsigned field) const override {
    return Call<int(WINAPI*)(MsiHandle, UINT)>("MsiRecordGetInteger")(handle_, field);
  }
  std::string GetString(unsigned field) const override {
    auto get = Call<UINT(WINAPI*)(MsiHandle, UINT, LPSTR, LPDWORD)>("MsiRecordGetStringA");
    return ReadString([&](LPSTR buffer, LPDWORD length) { return get(handle_, field, buffer, length); }).value_or("");
  }
  unsigned SetInteger(unsigned field, int32_t value) override {
    return Call<UINT(WINAPI*)(MsiHandle, UINT, int)>("MsiRecordSetInteger")(handle_, field, value);
  }
  unsigned SetString(unsigned field, const std::string& value) override {
    return Call<UINT(WINAPI*)(MsiHandle, UINT, LPCSTR)>("MsiRecordSetStringA")(handle_, field, value.c_str());
  }
};

MsiHandle RecordHandle(const InstallerRecord* record) {
  return record == nullptr ? 0 : dynamic_cast<const Win32Record&>(*record).Get();
}

class Win32View : public InstallerView, public Handle {
 public:
  using Handle::Handle;
  unsigned Execute(const InstallerRecord* parameters) override {
    return Call<UINT(WINAPI*)(MsiHandle, MsiHandle)>("MsiViewExecute")(handle_, RecordHandle(parameters));
  }
  std::unique_ptr<InstallerRecord> Fetch() override {
    MsiHandle record = 0;
    if (Call<UINT(WINAPI*)(MsiHandle, MsiHandle*)>("MsiViewFetch")(handle_, &record) != ERROR_SUCCESS) return nullptr;
    return std::make_unique<Win32Record>(installer_, record);
  }
  unsigned Modify(RecordModify mode, InstallerRecord& record) override {
    return Call<UINT(WINAPI*)(MsiHandle, int, MsiHandle)>("MsiViewModify")(handle_, static_cast<int>(mode),
                                                                           RecordHandle(&record));
  }
  unsigned Close() override { return Call<UINT(WINAPI*)(MsiHandle)>("MsiViewClose")(handle_); }
};

class Win32Summary : public SummaryInformation, public Handle {
 public:
  using Handle::Handle;
  SummaryValue GetProperty(SummaryProperty property) override {
    auto get = Call<UINT(WINAPI*)(MsiHandle, UINT, PUINT, PINT, FILETIME*, LPSTR, LPDWORD)>(
        "MsiSummaryInfoGetPropertyA");
    UINT type = 0;
    INT number = 0;
    FILETIME time{};
    auto text = ReadString([&](LPSTR buffer, LPDWORD length) {
      return get(handle_, static_cast<UINT>(property), &type, &number, &time, buffer, length);
    });
    if (!text) return {};
    if (type == kVtI2 || type == kVtI4) return static_cast<int32_t>(number);
    if (type == kVtLpstr) return *text;
    return {};
  }
  unsigned SetProperty(SummaryProperty property, const SummaryValue& value) override {
    auto set = Call<UINT(WINAPI*)(MsiHandle, UINT, UINT, INT, FILETIME*, LPCSTR)>("MsiSummaryInfoSetPropertyA");
    const auto id = static_cast<UINT>(property);
    if (const auto* number = std::get_if<int32_t>(&value))
      return set(handle_, id, property == SummaryProperty::Codepage ? kVtI2 : kVtI4, *number, nullptr, nullptr);
    if (const auto* text = std::get_if<std::string>(&value)) return set(handle_, id, kVtLpstr, 0, nullptr, text->c_str());
    return ERROR_INVALID_PARAMETER;
  }
  unsigned Persist() override { return Call<UINT(WINAPI*)(MsiHandle)>("MsiSummaryInfoPersist")(handle_); }
};

class Win32Database : public InstallerDatabase, public Handle {
 public:
  using Handle::Handle;
  std::unique_ptr<InstallerView> OpenView(const std::string& query) override {
    MsiHandle view = 0;
    if (Call<UINT(WINAPI*)(MsiHandle, LPCSTR, MsiHandle*)>("MsiDatabaseOpenViewA")(handle_, query.c_str(), &view) !=
        ERROR_SUCCESS)
      return nullptr;
    return std::make_unique<Win32View>(installer_, view);
  }
  std::unique_ptr<SummaryInformation> GetSummaryInformation(unsigned updateCount) override {
    MsiHandle summary = 0;
    if (Call<UINT(WINAPI*)(MsiHandle, LPCSTR, UINT, MsiHandle*)>("MsiGetSummaryInformationA")(
            handle_, nullptr, updateCount, &summary) != ERROR_SUCCESS)
      return nullptr;
    return std::make_unique<Win32Summary>(installer_, summary);
  }
  unsigned Commit() override { return Call<UINT(WINAPI*)(MsiHandle)>("MsiDatabaseCommit")(handle_); }
};

class Win32Package : public InstallerPackage, public Handle {
 public:
  using Handle::Handle;
  unsigned SetProperty(const std::string& name, const std::string& value) override {
    return Call<UINT(WINAPI*)(MsiHandle, LPCSTR, LPCSTR)>("MsiSetPropertyA")(handle_, name.c_str(), value.c_str());
  }
  unsigned DoAction(const std::string& action) override {
    auto doAction = Call<UINT(WINAPI*)(MsiHandle, LPCSTR)>("MsiDoActionA");
    return installer_.WithHandler([&] { return doAction(handle_, action.c_str()); });
  }
  bool GetMode(int runMode) override { return Call<BOOL(WINAPI*)(MsiHandle, int)>("MsiGetMode")(handle_, runMode); }
};

constexpr INT kAnswerCancel = 2;  // IDCANCEL

INT WINAPI ForwardMessage(LPVOID context, UINT messageCode, LPCSTR text) {
  auto* sink = static_cast<Win32Installer::MessageSink*>(context);
  if (sink == nullptr || !sink->handler) return 0;
  if (sink->failure) return kAnswerCancel;
  try {
    return sink->handler(messageCode, text == nullptr ? std::string() : std::string(text));
  } catch (...) {
    sink->failure = std::current_exception();
    return kAnswerCancel;
  }
}

}  // namespace

Win32Installer::~Win32Installer() {
  if (module_ != nullptr) FreeLibrary(static_cast<HMODULE>(module_));
}

void (*Win32Installer::Find(const char* name))() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!loadTried_) {
    loadTried_ = true;
    module_ = LoadLibraryA("msi.dll");
  }
  if (module_ == nullptr) return nullptr;
  auto it = functions_.find(name);
  if (it == functions_.end())
    it = functions_.emplace(name, LookUpProcedure<void (*)()>(static_cast<HMODULE>(module_), name)).first;
  return it->second;
}

void (*Win32Installer::Require(const char* name))() {
  if (auto function = Find(name)) return function;
  if (module_ == nullptr) throw InstallerUnavailable("Library not found: msi.dll");
  throw InstallerUnavailable(std::string("Function not found: msi.dll.") + name);
}

int Win32Installer::QueryProductState(const std::string& productCode) {
  auto query = Find("MsiQueryProductStateA");
  if (query == nullptr) return kInstallStateUnknown;
  return As<INT(WINAPI*)(LPCSTR)>(query)(productCode.c_str());
}

std::optional<std::string> Win32Installer::GetProductInfo(const std::string& productCode,
                                                          const std::string& property) {
  auto get = Find("MsiGetProductInfoA");
  if (get == nullptr) return std::nullopt;
  return ReadString([&](LPSTR buffer, LPDWORD length) {
    return As<UINT(WINAPI*)(LPCSTR, LPCSTR, LPSTR, LPDWORD)>(get)(productCode.c_str(), property.c_str(), buffer,
                                                                   length);
  });
}

std::unique_ptr<InstallerDatabase> Win32Installer::OpenDatabase(const std::string& path, DatabaseOpenMode mode) {
  auto open = As<UINT(WINAPI*)(LPCSTR, LPCSTR, MsiHandle*)>(Require("MsiOpenDatabaseA"));
  // MSIDBOPEN_READONLY and MSIDBOPEN_DIRECT are small integers passed in place of a path.
  const auto persist = reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(mode == DatabaseOpenMode::ReadOnly ? 0 : 2));
  MsiHandle database = 0;
  if (open(path.c_str(), persist, &database) != ERROR_SUCCESS) return nullptr;
  return std::make_unique<Win32Database>(*this, database);
}

std::unique_ptr<InstallerRecord> Win32Installer::CreateRecord(unsigned fieldCount) {
  const MsiHandle record = As<MsiHandle(WINAPI*)(UINT)>(Require("MsiCreateRecord"))(fieldCount);
  if (record == 0) return nullptr;
  return std::make_unique<Win32Record>(*this, record);
}

void Win32Installer::SetExternalUI(InstallerUiHandler handler, uint32_t messageFilter) {
  auto set = As<UiHandlerA(WINAPI*)(UiHandlerA, DWORD, LPVOID)>(Require("MsiSetExternalUIA"));
  messages_.handler = std::move(handler);
  if (messages_.handler)
    set(&ForwardMessage, messageFilter, &messages_);
  else
    set(nullptr, 0, nullptr);
}

int Win32Installer::SetInternalUI(int level) {
  return As<int(WINAPI*)(int, HWND*)>(Require("MsiSetInternalUI"))(level, nullptr);
}

unsigned Win32Installer::EnableLog(uint32_t logMode, const std::string& logFile, uint32_t attributes) {
  return As<UINT(WINAPI*)(DWORD, LPCSTR, DWORD)>(Require("MsiEnableLogA"))(
      logMode, logFile.empty() ? nullptr : logFile.c_str(), attributes);
}

unsigned Win32Installer::InstallProduct(const std::string& packagePath, const std::string& commandLine) {
  auto install = As<UINT(WINAPI*)(LPCSTR, LPCSTR)>(Require("MsiInstallProductA"));
  return WithHandler([&] { return install(packagePath.c_str(), commandLine.c_str()); });
}

unsigned Win32Installer::ApplyPatch(const std::string& patchPath, const std::string& commandLine) {
  constexpr int kInstallTypeDefault = 0;
  auto apply = As<UINT(WINAPI*)(LPCSTR, LPCSTR, int, LPCSTR)>(Require("MsiApplyPatchA"));
  return WithHandler([&] { return apply(patchPath.c_str(), nullptr, kInstallTypeDefault, commandLine.c_str()); });
}

unsigned Win32Installer::SourceListAddSource(const std::string& productCode, const std::string& userName,
                                             const std::string& source) {
  return As<UINT(WINAPI*)(LPCSTR, LPCSTR, DWORD, LPCSTR)>(Require("MsiSourceListAddSourceA"))(
      productCode.c_str(), userName.empty() ? nullptr : userName.c_str(), 0, source.c_str());
}

std::unique_ptr<InstallerPackage> Win32Installer::OpenPackage(const std::string& packagePath) {
  auto open = As<UINT(WINAPI*)(LPCSTR, MsiHandle*)>(Require("MsiOpenPackageA"));
  // Owned before a handler's exception can leave.
  std::unique_ptr<InstallerPackage> package;
  WithHandler([&] {
    MsiHandle handle = 0;
    const UINT status = open(packagePath.c_str(), &handle);
    if (status == ERROR_SUCCESS) package = std::make_unique<Win32Package>(*this, handle);
    return status;
  });
  return package;
}

}  // namespace quarrix::platform::win32
