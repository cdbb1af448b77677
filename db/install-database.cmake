# Puts the freshly made database beside the program, keeping the one it replaces.
if(EXISTS "${TARGET}")
  file(REMOVE "${TARGET}.previous")
  file(RENAME "${TARGET}" "${TARGET}.previous")
endif()
file(COPY_FILE "${SOURCE}" "${TARGET}")
