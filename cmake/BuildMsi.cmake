# Builds the Windows installer from data/windows/oculon.wxs with wixl, then gives the start at
# sign-in its component's condition (AUTOSTART), which wixl cannot write, with msibuild. wixl
# takes the files by names relative to where it runs: they are gathered in a folder first.
#   cmake -DVERSION=1.0.0 -DPROGRAM=…/oculon.exe -DSOURCE=<source tree> -DOUTPUT=….msi -P BuildMsi.cmake
find_program(WIXL wixl REQUIRED)
find_program(MSIBUILD msibuild REQUIRED)
set(files ${OUTPUT}.files)
file(REMOVE_RECURSE ${files})
file(MAKE_DIRECTORY ${files})
file(COPY ${PROGRAM} ${SOURCE}/assets/oculon.ico ${SOURCE}/README.md DESTINATION ${files})
execute_process(
  COMMAND ${WIXL} -a x64 -D Version=${VERSION} -o ${OUTPUT} ${SOURCE}/data/windows/oculon.wxs
  WORKING_DIRECTORY ${files}
  COMMAND_ERROR_IS_FATAL ANY)
execute_process(
  COMMAND ${MSIBUILD} ${OUTPUT} -q
          "UPDATE `Component` SET `Condition` = 'AUTOSTART' WHERE `Component` = 'StartAtSignIn'"
  COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE_RECURSE ${files})
