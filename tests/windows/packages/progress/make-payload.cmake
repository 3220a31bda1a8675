# Writes the progress package's big files into PAYLOAD: random letters and
# digits, different in each file, which LZMA can barely shorten, so that
# their decoding takes a while.
#   cmake -DPAYLOAD=folder -P make-payload.cmake
set(file_count 5)
set(file_megabytes 4)
foreach(index RANGE 1 ${file_count})
    set(contents "")
    foreach(megabyte RANGE 1 ${file_megabytes})
        math(EXPR seed "${index} * 100 + ${megabyte}")
        string(RANDOM LENGTH 1048576 RANDOM_SEED ${seed} chunk)
        string(APPEND contents "${chunk}")
    endforeach()
    file(WRITE ${PAYLOAD}/data/part${index}.bin "${contents}")
endforeach()
