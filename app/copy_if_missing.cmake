# SPDX-License-Identifier: GPL-3.0-or-later
# Copies SRC to DST only when DST does not exist yet.
if(NOT EXISTS "${DST}")
  file(COPY_FILE "${SRC}" "${DST}")
endif()
