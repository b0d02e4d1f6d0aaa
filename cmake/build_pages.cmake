# cmake -DTEMPLATE=<search_page.html> -DOUTPUT_DIR=<folder> -P build_pages.cmake
#
# Joins the parts of the search script, search_*.js beside the template, into
# search.js, and builds the two search pages from their one template: index.html for the top
# of the documentation tree and commands.html for its Modules folder.  In the
# template, @UP@ is the way up to the top ("" or "../"), @LISTS@ the way to
# the Modules folder ("Modules/" or ""); a line starting with "@index " or
# "@commands " belongs to that page only.  A line "@NAV@" stands for the row
# of links to the rest of the documentation (search_nav.html), which the
# pages show above and below the search.  The pages end their lines with
# CR LF, whatever the template's line ends.
file(READ ${TEMPLATE} text)
get_filename_component(pages_source ${TEMPLATE} DIRECTORY)
file(READ ${pages_source}/search_nav.html nav)
string(REPLACE "\r" "" text "${text}")
string(REPLACE "\r" "" nav "${nav}")
string(REPLACE "@NAV@\n" "${nav}" text "${text}")
foreach(page index commands)
  if(page STREQUAL "index")
    set(up "")
    set(lists "Modules/")
    set(other commands)
  else()
    set(up "../")
    set(lists "")
    set(other index)
  endif()
  set(out "${text}")
  string(REGEX REPLACE "@${other} [^\n]*\n" "" out "${out}")
  string(REPLACE "@${page} " "" out "${out}")
  string(REPLACE "@UP@" "${up}" out "${out}")
  string(REPLACE "@LISTS@" "${lists}" out "${out}")
  string(REPLACE "\n" "\r\n" out "${out}")
  file(WRITE ${OUTPUT_DIR}/${page}.html.tmp "${out}")
  file(COPY_FILE ${OUTPUT_DIR}/${page}.html.tmp ${OUTPUT_DIR}/${page}.html ONLY_IF_DIFFERENT)
  file(REMOVE ${OUTPUT_DIR}/${page}.html.tmp)
endforeach()

# The script's parts in the order they run.
set(script "")
foreach(part search_lists.js search_values.js search_links.js search_match.js search_text.js search_page.js)
  file(READ ${pages_source}/${part} text)
  string(APPEND script "${text}")
endforeach()
file(WRITE ${OUTPUT_DIR}/search.js.tmp "${script}")
file(COPY_FILE ${OUTPUT_DIR}/search.js.tmp ${OUTPUT_DIR}/search.js ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT_DIR}/search.js.tmp)
