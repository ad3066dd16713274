# Runs one fuzzer for a bounded time on a scratch copy of its seed corpus, so
# that what it finds never lands in the repository's corpus.
# cmake -DFUZZER=<program> -DCORPUS=<seeds> -DDICT=<dictionary> -DWORK=<scratch folder> -DMAX_LEN=<bytes> -P runfuzzer.cmake
# The time in seconds comes from the environment variable ZEPHRA_FUZZ_SECONDS (30 when unset).

set(seconds 30)
if(DEFINED ENV{ZEPHRA_FUZZ_SECONDS} AND NOT "$ENV{ZEPHRA_FUZZ_SECONDS}" STREQUAL "")
    set(seconds "$ENV{ZEPHRA_FUZZ_SECONDS}")
endif()
if(NOT seconds MATCHES "^[0-9]+$" OR seconds EQUAL 0)
    message(FATAL_ERROR "ZEPHRA_FUZZ_SECONDS must be a whole number of seconds above 0, not '${seconds}'")
endif()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/corpus" "${WORK}/artifacts")
file(COPY "${CORPUS}/" DESTINATION "${WORK}/corpus")

set(options -max_total_time=${seconds} -timeout=10 -rss_limit_mb=2048 -max_len=${MAX_LEN} -print_final_stats=1
    "-artifact_prefix=${WORK}/artifacts/")
if(EXISTS "${DICT}")
    list(APPEND options "-dict=${DICT}")
endif()

# A smaller quarantine than AddressSanitizer's default keeps a long run's memory
# modest; options given in the environment still win, coming later.
set(ENV{ASAN_OPTIONS} "quarantine_size_mb=64:$ENV{ASAN_OPTIONS}")

# The fuzzer ends itself after max_total_time; the outer limit only catches a
# run that no longer answers.
math(EXPR limit "${seconds} + 120")
execute_process(COMMAND "${FUZZER}" ${options} "${WORK}/corpus" RESULT_VARIABLE result TIMEOUT ${limit})
if(NOT result STREQUAL "0")
    file(GLOB artifacts "${WORK}/artifacts/*")
    message(FATAL_ERROR "${FUZZER} failed (${result}). Inputs that show the fault: ${artifacts}\n"
                        "Replay one with: ${FUZZER} <input>")
endif()
