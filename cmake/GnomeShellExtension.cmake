# A GNOME Shell extension in both of the forms GNOME loads: older shells (43, 44) and ES modules
# (45 and later). The forms share one file of code (`code`, put in place of @<VARIABLE>@ in each
# loader, extension-43.js.in and extension-45.js.in beside it) and metadata.json.in, and differ
# in the loader around it. They are written to <output>/43/<uuid> and <output>/45/<uuid>.
function(gnome_shell_extension uuid code variable output)
  get_filename_component(source_dir ${code} DIRECTORY)
  file(READ ${code} ${variable})
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${code}
               ${source_dir}/extension-43.js.in ${source_dir}/extension-45.js.in
               ${source_dir}/metadata.json.in)
  set(GNOME_EXTENSION_UUID ${uuid})
  foreach(form 43 45)
    if(form EQUAL 43)
      set(GNOME_SHELL_VERSIONS "\"43\", \"44\"")
    else()
      set(GNOME_SHELL_VERSIONS "\"45\", \"46\", \"47\", \"48\", \"49\"")
    endif()
    configure_file(${source_dir}/extension-${form}.js.in ${output}/${form}/${uuid}/extension.js @ONLY)
    configure_file(${source_dir}/metadata.json.in ${output}/${form}/${uuid}/metadata.json @ONLY)
  endforeach()
endfunction()

# The form the GNOME Shell of this machine loads, 43 or 45, in `variable`; 45 without one.
function(gnome_shell_extension_form variable)
  execute_process(COMMAND gnome-shell --version OUTPUT_VARIABLE version ERROR_QUIET)
  string(REGEX MATCH "[0-9]+" major "${version}")
  set(form 45)
  if(major AND major LESS 45)
    set(form 43)
  endif()
  set(${variable} ${form} PARENT_SCOPE)
endfunction()
