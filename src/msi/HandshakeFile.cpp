#include "msi/HandshakeFile.h"

#include "common/AnsiText.h"
#include "common/CommaText.h"
#include "engine/VariableManager.h"

namespace quarrix {

const std::array<std::string_view, 199> kReservedInstallerProperties = {
    "MSIDISABLEEEUI", "MSIUNINSTALLSUPERSEDEDCOMPONENTS", "MSIRESTARTMANAGERCONTROL",
    "MSIARPSETTINGSIDENTIFIER", "MsiLogging", "MsiLogFileLocation", "MsiSystemRebootPending",
    "MsiRunningElevated", "MsiRestartManagerSessionKey", "MSIDISABLERMRESTART", "MSIRMSHUTDOWN",
    "MSIUSEREALADMINDETECTION", "MinorUpdateTargetRTM", "MSIDISABLELUAPATCHING",
    "MSIENFORCEUPGRADECOMPONENTRULES", "MSIPATCHREMOVE", "MsiPatchRemovalList", "MsiUISourceResOnly",
    "MsiUIHideCancel", "MsiUIProgressOnly", "ACTION", "ALLUSERS", "ARPAUTHORIZEDCDFPREFIX", "ARPCOMMENTS",
    "ARPCONTACT", "ARPINSTALLLOCATION", "ARPNOMODIFY", "ARPNOREMOVE", "ARPNOREPAIR", "ARPPRODUCTICON",
    "ARPREADME", "ARPSIZE", "ARPSYSTEMCOMPONENT", "ARPURLINFOABOUT", "ARPURLUPDATEINFO", "AVAILABLEFREEREG",
    "CCP_DRIVE", "DEFAULTUIFONT", "DISABLEADVTSHORTCUTS", "DISABLEMEDIA", "DISABLEROLLBACK", "EXECUTEACTION",
    "EXECUTEMODE", "FASTOEM", "INSTALLLEVEL", "LIMITUI", "LOGACTION", "MEDIAPACKAGEPATH",
    "MSINODISABLEMEDIA", "PRIMARYFOLDER", "PRIVILEGED", "PROMPTROLLBACKCOST", "REBOOT", "REBOOTPROMPT",
    "ROOTDRIVE", "SEQUENCE", "SHORTFILENAMES", "TRANSFORMS", "TRANSFORMSATSOURCE", "TRANSFORMSSECURE",
    "DATE", "TIME", "ADDDEFAULT", "ADDLOCAL", "ADDSOURCE", "ADVERTISE", "COMPADDLOCAL", "COMPADDSOURCE",
    "FILEADDDEFAULT", "FILEADDLOCAL", "FILEADDSOURCE", "PATCH", "REINSTALL", "REINSTALLMODE", "REMOVE",
    "ALPHA", "BORDERSIDE", "BORDERTOP", "CAPTIONHEIGHT", "COLORBITS", "INTEL", "INTEL64", "MSIAMD64",
    "PHYSICALMEMORY", "SCREENX", "SCREENY", "TEXTHEIGHT", "VIRTUALMEMORY", "AFTERREBOOT", "COSTINGCOMPLETE",
    "INSTALLED", "MSICHECKCRCS", "NOCOMPANYNAME", "NOUSERNAME", "OUTOFDISKSPACE", "OUTOFNORBDISKSPACE",
    "PRESELECTED", "PRIMARYVOLUMEPATH", "PRIMARYVOLUMESPACEAVAILABLE", "PRIMARYVOLUMESPACEREMAINING",
    "PRIMARYVOLUMESPACEREQUIRED", "PRODUCTLANGUAGE", "REPLACEINUSEFILES", "RESUME", "ROLLBACKDISABLED",
    "UILEVEL", "UPDATESTARTED", "UPGRADINGPRODUCTCODE", "VERSIONMSI", "ADMINPROPERTIES", "COMPANYNAME",
    "LOGONUSER", "MSIHIDDENPROPERTIES", "PIDKEY", "PRODUCTID", "USERLANGUAGEID", "USERNAME", "USERSID",
    "ADMINTOOLSFOLDER", "APPDATAFOLDER", "COMMONAPPDATAFOLDER", "COMMONFILES64FOLDER", "COMMONFILESFOLDER",
    "DESKTOPFOLDER", "FAVORITESFOLDER", "FONTSFOLDER", "LOCALAPPDATAFOLDER", "MYPICTURESFOLDER",
    "PERSONALFOLDER", "PROGRAMFILES64FOLDER", "PROGRAMFILESFOLDER", "PROGRAMMENUFOLDER", "SENDTOFOLDER",
    "STARTMENUFOLDER", "STARTUPFOLDER", "SYSTEM16FOLDER", "SYSTEM64FOLDER", "SYSTEMFOLDER", "TEMPFOLDER",
    "TEMPLATEFOLDER", "WINDOWSFOLDER", "WINDOWSVOLUME", "PATCHNEWPACKAGECODE", "PATCHNEWSUMMARYCOMMENTS",
    "PATCHNEWSUMMARYSUBJECT", "ARPHELPLINK", "ARPHELPTELEPHONE", "DISKPROMPT", "ISADMINPACKAGE", "LEFTUNI",
    "MANUFACTURER", "MediaSourceDir", "MSIINSTANCEGUID", "MSINEWINSTANCE", "PIDTEMPLATE", "PRODUCTCODE",
    "PRODUCTNAME", "PRODUCTSTATE", "PRODUCTVERSION", "UPGRADECODE", "ADMINUSER", "COMPUTERNAME",
    "MSINTPRODUCTTYPE", "MSINTSUITEBACKOFFICE", "MSINTSUITEDATACENTER", "MSINTSUITEENTERPRISE",
    "MSINTSUITESMALLBUSINESS", "MSINTSUITESMALLBUSINESSRESTRICTED", "MSINTSUITEWEBSERVER",
    "MSINTSUITEPERSONAL", "MSINETASSEMBLYSUPPORT", "MSIWIN32ASSEMBLYSUPPORT", "OLEADVTSUPPORT",
    "REDIRECTEDDLLSUPPORT", "REMOTEADMINTS", "SERVICEPACKLEVEL", "SERVICEPACKLEVELMINOR", "SHAREDWINDOWS",
    "SHELLADVTSUPPORT", "SYSTEMLANGUAGEID", "TERMINALSERVER", "TTCSUPPORT", "VERSION9X", "VERSIONDATABASE",
    "VERSIONNT", "VERSIONNT64", "WINDOWSBUILD", "ORIGINALDATABASE", "SourceDir", "SRCDIR",
    "CLEANUPUNINSTALLROLLBACK", "CLIENTPROCESSID", "CLIENTUILEVEL", "CURRENTDIRECTORY", "DATABASE",
    "SUPPORTDIR", "PACKAGECODE", "PACKAGECODECHANGING", "SOURCEDIRPRODUCT",
};

bool IsReservedInstallerProperty(std::string_view name) {
  for (std::string_view reserved : kReservedInstallerProperties)
    if (EqualsIgnoreCase(reserved, name)) return true;
  return false;
}

std::string HandshakeFilePath(const std::string& tempFolder, const std::string& productCode) {
  return tempFolder + productCode;
}

namespace {

void AddRecord(std::string& text, std::string_view name, std::string_view value) {
  text.append(name).append("\r\n").append(value).append("\r\n$ex\r\n");
}

bool StartsWithDrive(std::string_view path) {
  return path.size() >= 2 && path[1] == ':' && ToUpperAscii(path[0]) >= 'A' && ToUpperAscii(path[0]) <= 'Z';
}

}  // namespace

HandshakeFile BuildHandshakeFile(const TVariableManager& variables, platform::FileSystem& files,
                                 const HandshakeInputs& inputs) {
  HandshakeFile file;
  std::string& text = file.text;
  if (inputs.patch) {
    AddRecord(text, "SourceDir", inputs.previousSourceFolder);
    AddRecord(text, "SRCDIREX", inputs.previousSourceFolder);
  } else {
    AddRecord(text, "SourceDir", inputs.dataFolder);
    AddRecord(text, "MEDIAPACKAGEPATH", inputs.mediaPath);
  }

  const bool removal = !inputs.patch && !inputs.install;
  const StringList properties = FromCommaText(inputs.propertiesText);
  for (size_t i = 0; i < properties.size(); i += 2) {
    std::string value = NormalizePath(variables, i + 1 < properties.size() ? properties[i + 1] : std::string());
    // What the removed instance named may be gone already; its custom actions get the sources.
    if (removal && StartsWithDrive(value) && !files.FileExists(value) && !files.DirectoryExists(value))
      value = inputs.dataFolder;
    AddRecord(text, properties[i], value);
  }

  const StringList exported = FromCommaText(inputs.variablesText);
  for (size_t i = 0; i < exported.size(); i += 2) {
    const std::string& name = exported[i];
    const std::string raw = i + 1 < exported.size() ? exported[i + 1] : std::string();
    if (IsReservedInstallerProperty(name)) continue;
    if (EqualsIgnoreCase(name, "SILENT")) file.silent = ToUpperAscii(raw) == "TRUE";
    if (EqualsIgnoreCase(name, "TITLE")) file.caption = raw;
    AddRecord(text, name, NormalizePath(variables, raw));
  }
  return file;
}

}  // namespace quarrix
