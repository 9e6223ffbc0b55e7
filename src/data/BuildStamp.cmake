# Writes the header that tells the program its version and the day it was
# built. It runs at every build but rewrites the header only when the day or
# the version changed, so that nothing else compiles again. A package build
# that sets SOURCE_DATE_EPOCH gets that day, and the same program each time.
string(TIMESTAMP day "%Y-%m-%d")
file(CONFIGURE OUTPUT "${OUTPUT}" CONTENT
"#pragma once
#define KVINTOR_BUILD_VERSION \"${VERSION}\"
#define KVINTOR_BUILD_DAY \"${day}\"
")
