# The folders of the codec library zvcodec: documents as RTF and text over a QTextDocument, with
# no widget code. The main build and the fuzz target both take the list from here.
set(ZV_CODEC_DIRS errors codepages format rtf files)
function(zv_codec_sources out)
  set(sources)
  foreach(dir ${ZV_CODEC_DIRS})
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/${dir}/*.cpp
         ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/${dir}/*.h)
    list(APPEND sources ${found})
  endforeach()
  set(${out} ${sources} PARENT_SCOPE)
endfunction()
