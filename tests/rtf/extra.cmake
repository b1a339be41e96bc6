# The fuzzer's corpus and findings replayed in the normal build; `make fuzz` grows them.
if(TARGET tst_rtffuzzreplay)
  set_property(TEST rtf.tst_rtffuzzreplay APPEND PROPERTY LABELS fuzz-replay)
endif()
