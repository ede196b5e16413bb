# Writes the README as an HTML page for the installed documentation (Help > Website opens it).
#   cmake -DINPUT=README.md -DOUTPUT=README.html [-DCMARK=/usr/bin/cmark] -P readme_html.cmake
# Without cmark the text is kept as it is, preformatted.
# SPDX-License-Identifier: MIT
file(READ ${INPUT} markdown)
if(CMARK)
  execute_process(COMMAND ${CMARK} --to html ${INPUT} OUTPUT_VARIABLE body RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmark could not convert ${INPUT}")
  endif()
else()
  string(REPLACE "&" "&amp;" body "${markdown}")
  string(REPLACE "<" "&lt;" body "${body}")
  string(REPLACE ">" "&gt;" body "${body}")
  set(body "<pre>${body}</pre>\n")
endif()
file(WRITE ${OUTPUT} "<!DOCTYPE html>
<html>
<head>
<meta charset=\"utf-8\">
<title>Mapory</title>
</head>
<body>
${body}</body>
</html>
")
