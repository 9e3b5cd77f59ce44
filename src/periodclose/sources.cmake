list(APPEND VELLO_CORE_SOURCES
  ${VELLO_DIR}/archiving.h ${VELLO_DIR}/archiving.cpp
  ${VELLO_DIR}/archivecolumns.h
  ${VELLO_DIR}/archivecell.h ${VELLO_DIR}/archivecell.cpp
  ${VELLO_DIR}/archiveexport.h ${VELLO_DIR}/archiveexport.cpp
  ${VELLO_DIR}/exportfolder.h ${VELLO_DIR}/exportfolder.cpp
  ${VELLO_DIR}/databasebackup.h ${VELLO_DIR}/databasebackup.cpp
  ${VELLO_DIR}/backupdump.cpp ${VELLO_DIR}/backuprestore.cpp
  ${VELLO_DIR}/restorechecks.h ${VELLO_DIR}/restorechecks.cpp
  ${VELLO_DIR}/desktopopen.h ${VELLO_DIR}/desktopopen.cpp
)
list(APPEND VELLO_GUI_SOURCES
  ${VELLO_DIR}/archivingwindow.h ${VELLO_DIR}/archivingwindow.cpp
  ${VELLO_DIR}/exportwindow.h ${VELLO_DIR}/exportwindow.cpp
  ${VELLO_DIR}/periodclosewindows.h ${VELLO_DIR}/periodclosewindows.cpp
)
