# shellcheck shell=bash disable=SC2034  # the sourcing test uses the variables
# Sourced by the site tests (sample_site_test.sh, forms/forms_site_test.sh) with their
# arguments:
#   <test>.sh <source-dir> <tolvex> <share-dir> <work-dir>
# Sets src, tolvex, share and work from them, and ends the test as skipped (77) when PHP or
# its mysqli module is missing.
src=$1
tolvex=$2
share=$3
work=$4
if ! command -v php >/dev/null || ! php -m | grep -x mysqli >/dev/null; then
  echo "php with mysqli is not installed (scripts/install-deps.sh installs php-cli and php-mysql)"
  exit 77
fi
