# Debian's libloki-dev ships neither a CMake package nor a pkg-config file.
# Headers are included as <loki/...>; the library lives in /usr/lib.
find_path(Loki_INCLUDE_DIR NAMES loki/Typelist.h)
find_library(Loki_LIBRARY NAMES loki libloki PATHS /usr/lib)
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Loki REQUIRED_VARS Loki_LIBRARY Loki_INCLUDE_DIR)
if(Loki_FOUND AND NOT TARGET Loki::Loki)
    add_library(Loki::Loki UNKNOWN IMPORTED)
    set_target_properties(Loki::Loki PROPERTIES
        IMPORTED_LOCATION "${Loki_LIBRARY}"
        INTERFACE_INCLUDE_DIRECTORIES "${Loki_INCLUDE_DIR}")
    # Loki's headers are third-party: never let their warnings fail our build.
    set_property(TARGET Loki::Loki PROPERTY INTERFACE_SYSTEM_INCLUDE_DIRECTORIES "${Loki_INCLUDE_DIR}")
endif()
mark_as_advanced(Loki_INCLUDE_DIR Loki_LIBRARY)
