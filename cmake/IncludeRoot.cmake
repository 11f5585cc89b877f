# Gives `target` an include root of its own, in the build tree, holding only `folder` under the
# name its headers are included by (`runtime` for "runtime/form.h"). A target then sees the
# headers of exactly the targets it links: the build, not a review, keeps the layers apart.
function(oculon_include_root target folder name)
  set(root ${CMAKE_BINARY_DIR}/include-roots/${target})
  cmake_path(GET name PARENT_PATH parent)
  file(MAKE_DIRECTORY ${root}/${parent})
  file(CREATE_LINK ${folder} ${root}/${name} SYMBOLIC)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL INTERFACE_LIBRARY)
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
