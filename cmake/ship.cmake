# Lays out the deliverables as they ship. Run with -DOBJCOPY=<objcopy>
# -DSOURCE_DIR=<checkout> -DDIST_DIR=<dir> -DSYMBOLS_DIR=<dir> -DFILES=<a;b;...>.
# Each linked binary goes to DIST_DIR stripped, with a debug link naming
# <its name>.debug, and its debug information and symbols to
# SYMBOLS_DIR/<its name>.debug. The PE time stamp of both is SOURCE_DATE_EPOCH
# when that is set, else the time of the checkout's last commit, so that every
# build of one commit gives the same bytes (objcopy reads SOURCE_DATE_EPOCH).
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(epoch $ENV{SOURCE_DATE_EPOCH})
else()
    execute_process(COMMAND git -C ${SOURCE_DIR} log -1 --format=%ct
        OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
if(NOT epoch MATCHES "^[0-9]+$")
    message(WARNING "ship: no commit time and no SOURCE_DATE_EPOCH; the binaries carry the time stamp 0")
    set(epoch 0)
endif()
set(ENV{SOURCE_DATE_EPOCH} ${epoch})

file(MAKE_DIRECTORY ${DIST_DIR} ${SYMBOLS_DIR})
foreach(linked IN LISTS FILES)
    get_filename_component(name ${linked} NAME)
    set(symbols ${SYMBOLS_DIR}/${name}.debug)
    execute_process(COMMAND ${OBJCOPY} --only-keep-debug ${linked} ${symbols}
        COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND ${OBJCOPY} --strip-all --add-gnu-debuglink=${symbols} ${linked} ${DIST_DIR}/${name}
        COMMAND_ERROR_IS_FATAL ANY)
endforeach()
