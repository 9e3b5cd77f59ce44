vello_add_test(test_install ${VELLO_HERE}/test_install.cpp)

# The Debian package made from this build and checked with dpkg-deb (skipped
# where dpkg-deb, cpack or dpkg-shlibdeps is missing). lintian runs in
# scripts/package-test on its own.
add_test(NAME package_check
  COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/package-test --no-lintian --build ${CMAKE_BINARY_DIR})
set_tests_properties(package_check PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600)
