list(APPEND VELLO_CORE_SOURCES
  ${VELLO_DIR}/reportvalue.h ${VELLO_DIR}/reportvalue.cpp
  ${VELLO_DIR}/reportexpression.h ${VELLO_DIR}/reportexpression.cpp
  ${VELLO_DIR}/reporttemplate.h
  ${VELLO_DIR}/templatereader.h ${VELLO_DIR}/templatereader.cpp
  ${VELLO_DIR}/reportlayout.h ${VELLO_DIR}/reportlayout.cpp
  ${VELLO_DIR}/pagedreport.h ${VELLO_DIR}/pagedreport.cpp
  ${VELLO_DIR}/reportbuilder.h ${VELLO_DIR}/reportbuilder.cpp
  ${VELLO_DIR}/reportpainter.h ${VELLO_DIR}/reportpainter.cpp
  ${VELLO_DIR}/reportpreview.h
  ${VELLO_DIR}/reportoutput.h ${VELLO_DIR}/reportoutput.cpp
)
list(APPEND VELLO_GUI_SOURCES
  ${VELLO_DIR}/previewpages.h ${VELLO_DIR}/previewpages.cpp
  ${VELLO_DIR}/previewwindow.h ${VELLO_DIR}/previewwindow.cpp
  ${VELLO_DIR}/qtreportpreview.h ${VELLO_DIR}/qtreportpreview.cpp
)
