# Installing (GNUInstallDirs).
include(GNUInstallDirs)

set(PV_FULL_DATADIR ${CMAKE_INSTALL_FULL_DATADIR}/pellavine)

# The executables find the data folder relative to themselves, so a relocated or unpacked
# installation finds it too (folders/ApplicationFolder.cpp).
file(RELATIVE_PATH PV_DATA_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR} ${PV_FULL_DATADIR})
target_compile_definitions(pv_core PRIVATE PV_DATA_FROM_BIN="${PV_DATA_FROM_BIN}")
if(PV_BUILD_GUI)
  target_compile_definitions(pellavine PRIVATE PV_VERSION="${PROJECT_VERSION}")
endif()
