# Writes the site's service worker (sw.js) from sw.js.in: the list of the site's files, and a
# version made of their digest, so that each build that changes a file gets a cache of its own.
#   cmake -DSITE=dir -DTEMPLATE=sw.js.in "-DFILES=a;b" -P ServiceWorker.cmake
set(digests "")
set(quoted "'./'")
foreach(file IN LISTS FILES)
    file(SHA256 ${SITE}/${file} digest)
    string(APPEND digests "${file} ${digest}\n")
    string(APPEND quoted ", '${file}'")
endforeach()
string(SHA256 version "${digests}")
string(SUBSTRING ${version} 0 16 SITE_VERSION)
set(SITE_FILES ${quoted})
configure_file(${TEMPLATE} ${SITE}/sw.js @ONLY)
