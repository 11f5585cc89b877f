# A GNOME Shell extension that every shell from 43 on loads, in one folder. Shells 43 and 44
# import an extension's folder with GJS's own importer, which first runs the folder's
# __init__.js; the shell then takes the `extension` it defined and never reads extension.js.
# Shells 45 and later load extension.js as an ES module, and ignore __init__.js. The two loaders
# (init-43.js.in and extension-45.js.in beside `code`) wrap one file of code, put in place of
# @<VARIABLE>@ in each, and share metadata.json.in, which may name any of the caller's variables
# (its name, description, address). The folder is written to <output>/<uuid>.
function(gnome_shell_extension uuid code variable output)
  get_filename_component(source_dir ${code} DIRECTORY)
  file(READ ${code} ${variable})
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${code}
               ${source_dir}/init-43.js.in ${source_dir}/extension-45.js.in
               ${source_dir}/metadata.json.in)
  set(GNOME_EXTENSION_UUID ${uuid})
  set(GNOME_SHELL_VERSIONS "\"43\", \"44\", \"45\", \"46\", \"47\", \"48\", \"49\", \"50\"")
  configure_file(${source_dir}/init-43.js.in ${output}/${uuid}/__init__.js @ONLY)
  configure_file(${source_dir}/extension-45.js.in ${output}/${uuid}/extension.js @ONLY)
  configure_file(${source_dir}/metadata.json.in ${output}/${uuid}/metadata.json @ONLY)
endfunction()
