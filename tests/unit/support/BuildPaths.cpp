#include "support/BuildPaths.h"

namespace quarrix::testing {

const std::string& QxPath() {
  static const std::string path = QUARRIX_QX_PATH;
  return path;
}

const std::string& SourceDir() {
  static const std::string path = QUARRIX_SOURCE_DIR;
  return path;
}

}  // namespace quarrix::testing
