# Copies the help sources into the compiler's folder in the system code page of a Japanese Windows (932):
# the help viewer decodes the contents and index by the file's language, and the pages say so in their
# charset.  Arguments: -DICONV=<iconv> -DSOURCE_DIR=<dir> -DDEST_DIR=<dir> -DFILES=<a;b;...>
file(MAKE_DIRECTORY ${DEST_DIR})
foreach(name IN LISTS FILES)
    file(READ ${SOURCE_DIR}/${name} text)
    string(REPLACE "charset=UTF-8" "charset=Shift_JIS" text "${text}")
    file(WRITE ${DEST_DIR}/${name}.utf8 "${text}")
    execute_process(COMMAND ${ICONV} -f UTF-8 -t CP932 ${DEST_DIR}/${name}.utf8
                    OUTPUT_FILE ${DEST_DIR}/${name} RESULT_VARIABLE rc ERROR_VARIABLE err)
    file(REMOVE ${DEST_DIR}/${name}.utf8)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "${name} cannot be converted to code page 932: ${err}")
    endif()
endforeach()
