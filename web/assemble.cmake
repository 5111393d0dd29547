cmake_minimum_required(VERSION 3.25)
# Puts the page together: page.html with the style, the compiled module and
# the scripts in place of its markers. The module is JavaScript inside a
# script element, so it must not hold the text that would end the element.
file(READ ${SOURCE}/page.html page)
file(READ ${SOURCE}/page.css style)
file(READ ${MODULE} module)
file(READ ${SOURCE}/api.js api)
file(READ ${SOURCE}/ui.js ui)
foreach(part module api ui)
  string(TOLOWER "${${part}}" lower)
  string(FIND "${lower}" "</script" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "${part} holds </script: it cannot be put inside the page")
  endif()
endforeach()
string(REPLACE "@STYLE@" "${style}" page "${page}")
string(REPLACE "@API@" "${api}" page "${page}")
string(REPLACE "@UI@" "${ui}" page "${page}")
string(REPLACE "@VERSION@" "${VERSION}" page "${page}")
# Last, as its text is the largest and could hold anything.
string(REPLACE "@MODULE@" "${module}" page "${page}")
file(WRITE ${OUTPUT} "${page}")
