# Builds one Windows Installer package of the plug-in with wixl, then adds with msibuild
# (both from msitools) what wixl 0.101 cannot express:
#   - the components' conditions (each module component goes in only for its viewer, or for
#     PLUGINDIR);
#   - the custom actions that pick the plug-ins folders, between AppSearch and
#     LaunchConditions in both sequences, and the player-library check after costing;
#   - RemoveExistingProducts right after InstallValidate: an upgrade removes the older
#     version first, then installs this one;
#   - PLUGINDIR among the secure properties, so that a per-machine install takes it from
#     the command line also when the user interface runs.
# Run in script mode with WIXL, MSIBUILD, WXS, OUTPUT, VERSION, BITNESS (32 or 64), MODULE
# and CHECK_DLL; READER_ENABLED (ON or OFF, default OFF) says whether MODULE is a build
# enabled for Reader, which alone goes into a classic Reader's plug_ins.
cmake_minimum_required(VERSION 3.20)
foreach(var WIXL MSIBUILD WXS OUTPUT VERSION BITNESS MODULE CHECK_DLL)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "BuildMsi.cmake: ${var} is not set")
  endif()
endforeach()

# Fixed per bitness (the codes differ only in the bitness they name), so that every version
# of one bitness upgrades the others and the two bitnesses stay apart; the product code is
# derived from the version, so that a package rebuilt from the same version is the same
# product.
set(codes 5D6F2E1A-7C3B-4E58-9A0D-${BITNESS}B1C2E3F4)
set(upgrade_code ${codes}01)
set(reader_component ${codes}11)
set(acrobat_component ${codes}12)
set(custom_component ${codes}13)
if(BITNESS STREQUAL "64")
  set(arch x64)
  set(win64 yes)
else()
  set(arch x86)
  set(win64 no)
endif()
if(READER_ENABLED)
  set(reader_enabled 1)
else()
  set(reader_enabled 0)
endif()
string(UUID product_code NAMESPACE ${upgrade_code} NAME "KXTRIVOPlayer ${VERSION}" TYPE SHA1 UPPER)

# wixl takes the files it packs by paths relative to where it runs: a staging folder.
get_filename_component(output_name "${OUTPUT}" NAME_WE)
get_filename_component(output_dir "${OUTPUT}" DIRECTORY)
set(stage "${output_dir}/${output_name}.stage")
file(REMOVE_RECURSE "${stage}")
file(MAKE_DIRECTORY "${stage}")
file(COPY_FILE "${MODULE}" "${stage}/KXTRIVOPlayer.api")
file(COPY_FILE "${CHECK_DLL}" "${stage}/PlayerLibraryCheck.dll")
file(REMOVE "${OUTPUT}")
execute_process(
  WORKING_DIRECTORY "${stage}"
  COMMAND "${WIXL}" -a ${arch} -o "${OUTPUT}"
          -D Version=${VERSION} -D ProductCode=${product_code} -D UpgradeCode=${upgrade_code}
          -D Win64=${win64} -D Bitness=${BITNESS} -D Module=KXTRIVOPlayer.api -D CheckDll=PlayerLibraryCheck.dll
          -D ReaderEnabled=${reader_enabled}
          -D ReaderComponent=${reader_component} -D AcrobatComponent=${acrobat_component}
          -D CustomComponent=${custom_component} "${WXS}"
  RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0 OR NOT EXISTS "${OUTPUT}")
  message(FATAL_ERROR "wixl failed (${status}):\n${errors}")
endif()

set(queries
  "UPDATE Component SET Condition = 'NOT PLUGINDIR AND READERENABLED = \"1\" AND (SAVEDREADERPLUGINS OR READERDIR)' WHERE Component = 'ReaderModule'"
  "UPDATE Component SET Condition = 'NOT PLUGINDIR AND (SAVEDACROBATPLUGINS OR ACROBATDIR)' WHERE Component = 'AcrobatModule'"
  "UPDATE Component SET Condition = 'PLUGINDIR' WHERE Component = 'CustomModule'"
  "UPDATE InstallExecuteSequence SET Sequence = 1401 WHERE Action = 'RemoveExistingProducts'"
  "INSERT INTO InstallExecuteSequence (Action, Condition, Sequence) VALUES ('CheckPlayerLibrary', 'NOT REMOVE', 1001)")
foreach(table InstallExecuteSequence InstallUISequence)
  list(APPEND queries
    "INSERT INTO ${table} (Action, Condition, Sequence) VALUES ('UseSavedPluginDir', 'NOT PLUGINDIR AND SAVEDPLUGINDIR', 51)"
    "INSERT INTO ${table} (Action, Condition, Sequence) VALUES ('UsePluginDir', 'PLUGINDIR', 56)"
    "INSERT INTO ${table} (Action, Condition, Sequence) VALUES ('UseSavedReaderPlugins', 'SAVEDREADERPLUGINS', 52)"
    "INSERT INTO ${table} (Action, Condition, Sequence) VALUES ('UseReaderPlugins', 'NOT SAVEDREADERPLUGINS AND READERDIR', 53)"
    "INSERT INTO ${table} (Action, Condition, Sequence) VALUES ('UseSavedAcrobatPlugins', 'SAVEDACROBATPLUGINS', 54)"
    "INSERT INTO ${table} (Action, Condition, Sequence) VALUES ('UseAcrobatPlugins', 'NOT SAVEDACROBATPLUGINS AND ACROBATDIR', 55)")
endforeach()
foreach(query IN LISTS queries)
  execute_process(COMMAND "${MSIBUILD}" "${OUTPUT}" -q "${query}"
                  RESULT_VARIABLE status ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    file(REMOVE "${OUTPUT}")
    message(FATAL_ERROR "msibuild failed on \"${query}\" (${status}):\n${errors}")
  endif()
endforeach()
# Apart: a semicolon would split a CMake list.
execute_process(COMMAND "${MSIBUILD}" "${OUTPUT}" -q
  "UPDATE Property SET Value = 'PLUGINDIR;WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED' WHERE Property = 'SecureCustomProperties'"
  RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  file(REMOVE "${OUTPUT}")
  message(FATAL_ERROR "msibuild failed on the secure properties (${status}):\n${errors}")
endif()
file(REMOVE_RECURSE "${stage}")
